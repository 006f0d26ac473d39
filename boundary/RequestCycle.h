// One Send call, step by step, over the process-wide command parser and the
// calling thread's reply buffers. Nothing throws out of these functions.
#pragma once

#include <mutex>

// Parses the request (JSON of excel.Command, may be null), runs its command
// and returns the reply text, owned by the library until the calling
// thread's next call or ClearReplyBuffers. Never null. Calls from several
// threads run one after the other.
const wchar_t* RunRequestCycle(const wchar_t* request);

// Empties the calling thread's reply buffers, keeping their storage.
void ClearReplyBuffers();

// Holds the lock that serialises requests, for entry points that change
// process-wide state (the log's settings) while no request runs.
std::unique_lock<std::recursive_mutex> LockRequests();
