#pragma once

// Settings of the whole process that suit downloading thousands of pages; called first thing in
// main(), before any thread starts.
namespace ProcessTuning {

// Freed memory stays with the process: a renewal allocates and frees page-sized buffers thousands
// of times a second, and handing them back to the system each time costs a page fault per page.
void keepFreedMemory();

} // namespace ProcessTuning
