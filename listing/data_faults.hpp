// Listing text of a data fault (model/data_checks.hpp): the routine's message
// heading, then one record naming the item, its value and what is wrong.
#pragma once

#include "io/record.hpp"
#include "model/data_checks.hpp"

namespace ruvo::listing {

enum class Routine { rddata, setkey, redfkq, prtout, prtvib, eigvpr, f01kbf, modes };

// The first line of a routine's messages, "MESSAGE FROM SUBROUTINE <NAME>:".
const io::Format& message_heading(Routine routine);

// The message block on the listing, and on standard output too when asked.
// Routines without an error code add the line that they did nothing.
void print_fault(Routine routine, const DataFault& fault, bool also_stdout);

// The same block on any unit (eigvpr writes to the unit it is given).
void print_fault_on(int unit, Routine routine, const DataFault& fault);

}  // namespace ruvo::listing
