#pragma once

class QThread;

// Settings of the process and its threads that suit downloading thousands of pages.
namespace ProcessTuning {

// Freed memory stays with the process: a renewal allocates and frees page-sized buffers thousands
// of times a second, and handing them back to the system each time costs a page fault per page.
// Called first thing in main(), before any thread starts.
void keepFreedMemory();

// Lowers the calling thread's scheduling priority, once (nice +10 on Linux), unless it is `keep`:
// the threads that process pages give way to the one that fetches them, whose pace is the pace of
// the whole renewal, and to the windows. A pool task may run on the very thread that waits for it,
// which is why that thread is named.
void yieldTo(const QThread* keep);

} // namespace ProcessTuning
