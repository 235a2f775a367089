// The number of threads BLAS runs on in the engine's process.
#pragma once

namespace ruvo::kernels {

// The engine runs one analysis per process and sweeps run several processes
// side by side, so BLAS runs on one thread unless the host chose a count: a
// positive count in OPENBLAS_NUM_THREADS, GOTO_NUM_THREADS or OMP_NUM_THREADS
// (the variables OpenBLAS takes its count from when it is loaded) is left as
// it is. BLAS is one library per process, so the count holds for numpy too;
// a host may change it later with openblas_set_num_threads. The module calls
// this once as it starts.
void set_default_blas_threads();

}  // namespace ruvo::kernels
