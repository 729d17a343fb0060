// Report delivery: output file or debugger output in 80-character pieces.
#include "memory/mem_track_output.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "memory/mem_track_switches.h"
#include "platform/debug_output.h"
#include "platform/text_file.h"

const char memTrackDoubleFreeText[] = "free called on free object\nstack track :\n";

namespace {

constexpr std::size_t pieceLength = 80;

std::atomic<memTrackOutputFnT> outputFn{&debugOutputWrite};

}  // namespace

void memTrackSetOutput(memTrackOutputFnT fn) { outputFn.store(fn != nullptr ? fn : &debugOutputWrite); }

void memTrackResetOutput() { outputFn.store(&debugOutputWrite); }

memTrackOutputFnT memTrackGetOutput() { return outputFn.load(); }

memTrackOutputFnT memTrackDefaultOutput() { return &debugOutputWrite; }

void memTrackWriteReport(const char* text) { memTrackWriteReportTo(text, outputFn.load()); }

void memTrackWriteReportTo(const char* text, memTrackOutputFnT fn) {
  if (text == nullptr) return;
  const std::size_t length = std::strlen(text);
  if (outputFileName[0] != '\0') {
    std::FILE* file = openTextFileForAppend(outputFileName);
    if (file == nullptr) return;
    std::fwrite(text, 1, length, file);
    std::fclose(file);
    return;
  }
  if (fn == nullptr) fn = &debugOutputWrite;
  char piece[pieceLength + 1];
  for (std::size_t offset = 0; offset < length; offset += pieceLength) {
    const std::size_t n = length - offset < pieceLength ? length - offset : pieceLength;
    std::memcpy(piece, text + offset, n);
    piece[n] = '\0';
    fn(piece);
  }
}
