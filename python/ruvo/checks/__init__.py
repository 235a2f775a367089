"""The checks of a stiffened panel besides skin buckling, as margins."""
