#pragma once
// The C library's allocator set for a run of many pairs on several threads.

// Blocks below 32 MiB come from the allocator's arenas and up to 256 MiB of
// freed memory stays there. Without it glibc hands each worker thread's
// freed blocks back to the kernel (its arenas trim eagerly), so the next
// pair's decoded samples fault in fresh pages: -j 2 on a study of 512 x 512
// files took four times as long as -j 1. Large rasters are still mapped
// and unmapped on their own. Does nothing where the allocator has no such
// settings; a setting refused only costs speed.
void TuneAllocatorForPairs();
