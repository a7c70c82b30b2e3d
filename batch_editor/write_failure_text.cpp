#include "batch_editor/write_failure_text.h"

std::string WriteFailureText(Mp3TagEngine::WriteFailure failure) {
  using F = Mp3TagEngine::WriteFailure;
  switch (failure) {
    case F::None:
      return {};
    case F::Vanished:
      return "Not written: the file is no longer there (moved, renamed or deleted).";
    case F::NotWritable:
      return "Not written: the file is read-only, or you are not allowed to change it.";
    case F::DiskFull:
      return "Not written: the disk is full.";
    case F::TagPastEnd:
      return "Not written: its tag claims more bytes than the file holds, so the file looks damaged.";
    case F::TagTooLarge:
      return "Not written: the new tag would be larger than an ID3v2 tag can be (256 MB).";
    case F::Other:
      break;
  }
  return "Not written: the file could not be read or written.";
}
