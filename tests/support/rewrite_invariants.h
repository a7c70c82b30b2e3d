// What must hold when any bytes at all are read and rewritten by the tag
// engine. Shared by the rewrite fuzz target and the regression test that
// replays every corpus file.
#pragma once

#include <string>

namespace test_support {

// Writes `bytes` as a file in `folder` (an existing, empty scratch folder),
// reads it, rewrites it with WriteTagV2 and WriteTagV1, and checks:
// the calls return; a file whose old tag reaches past its end is refused and
// left unchanged; otherwise the bytes after the old tag (as the header's size
// places them) follow the new tag unchanged, the new tag reads back with the
// values written, every carried-over frame keeps its bytes, and the ID3v1
// block holds the values. Returns an empty text when all holds, else what
// failed. Leaves `folder` empty again.
std::string CheckRewriteInvariants(const std::string& folder, const std::string& bytes);

// Only reads `bytes` as a file in `folder`; returns when the read returns.
void ReadAsFile(const std::string& folder, const std::string& bytes);

}  // namespace test_support
