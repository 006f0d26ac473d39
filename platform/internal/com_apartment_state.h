// The calling thread's COM initialisation state, shared by the runtime
// functions that require an initialised thread.
#pragma once

// True while the calling thread has more CoInitialize(Ex) calls than
// CoUninitialize calls.
bool ComIsInitializedOnThisThread();
