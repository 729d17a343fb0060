// outputC: where zkconv writes its result, written piece by piece as the
// conversion goes, so that no output is held in memory.
//
// - Standard output (or any stream given): bytes go straight to it.
// - A regular file or a name where nothing exists yet: the bytes go into a
//   new temporary file beside it (unique name, created exclusively, owner
//   only), which finish() moves over the file in one step, with the mode
//   (and on POSIX the owner, where allowed) of the file it replaces. Until
//   then the file keeps its old content; an unfinished output removes the
//   temporary, so a failed run leaves the file as it was.
// - A symbolic link is followed to the file it names, which is replaced as
//   above; the link itself stays.
// - A device, FIFO or anything else that is no regular file is opened and
//   written directly: it cannot be replaced in one step.
//
// Errors are one line each, naming the output (escaped).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

class outputC {
 public:
  outputC() = default;
  outputC(const outputC&) = delete;
  outputC& operator=(const outputC&) = delete;
  // Removes a temporary that finish() did not move into place.
  ~outputC();

  // Writes to `stream`, which stays the caller's.
  void toStream(std::FILE* stream);
  // Writes to the file at `path` as described above; false with the reason.
  bool toFile(const std::string& path, std::string* error);

  bool write(const char* bytes, std::size_t count, std::string* error);
  // Completes the output: flushes a stream, or closes the temporary and
  // moves it into place, or closes a directly written file.
  bool finish(std::string* error);

 private:
  bool failWrite(std::string* error);
  void abandon();

  std::FILE* stream = nullptr;
  bool ownsStream = false;    // the stream is a file this object opened
  std::string shownName;      // the name messages give (escaped)
  std::string finalPath;      // the file a temporary replaces
  std::string temporaryPath;  // the temporary, while it exists
};
