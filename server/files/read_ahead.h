// A pull source that inflates ahead on a second thread: the wrapped source
// (a zip part being inflated) fills chunks on a worker thread while the
// caller (the XML scanner) reads the chunks filled before, so inflating and
// scanning a large part overlap on a machine with two cores. With one core
// the two simply take turns; the bytes delivered are exactly the wrapped
// source's, in order.
//
//   XmlScanner scanner(ReadAhead(zip.OpenStream(index)), part);
//
// An exception thrown by the wrapped source (a damaged part, a part that
// inflates beyond its stated size) is thrown again by the read that reaches
// that point. Destroying the source stops the worker after its current chunk
// and waits for it. At most `chunkCount` chunks of `chunkBytes` are held.
#pragma once

#include <cstddef>
#include <functional>

namespace sheetwright::files {

using PullSource = std::function<size_t(char* buffer, size_t capacity)>;

PullSource ReadAhead(PullSource source, size_t chunkBytes = 256 * 1024, size_t chunkCount = 4);

}  // namespace sheetwright::files
