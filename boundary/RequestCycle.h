// One Send call, step by step, over the process-wide command parser and
// reply buffers. Nothing throws out of these functions.
#pragma once

// Parses the request (JSON of excel.Command, may be null), runs its command
// and returns the reply text, owned by the library until the next call or
// ClearReplyBuffers. Never null.
const wchar_t* RunRequestCycle(const wchar_t* request);

// Empties both reply buffers, keeping their storage.
void ClearReplyBuffers();
