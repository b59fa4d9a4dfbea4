// Paged arrays: see paged_arrays.h.
