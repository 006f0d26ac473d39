// Text arguments of the session operations may be null; they read as empty.
#pragma once

inline const wchar_t* OrEmpty(const wchar_t* text) { return text != nullptr ? text : L""; }
