// zkconv's output: a stream, a directly written file, or a temporary that
// replaces a regular file when the result is complete.
#include "host/zkconv_output.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "host/zkconv_text.h"
#include "platform/files.h"

namespace {

// Room for any path the platform hands back.
constexpr std::size_t pathRoom = 8192;

// ": " and the system's reason for the last failure, when it gave one.
std::string reason() { return errno != 0 ? std::string(": ") + std::strerror(errno) : std::string(); }

}  // namespace

outputC::~outputC() { abandon(); }

void outputC::abandon() {
  if (ownsStream && stream != nullptr) std::fclose(stream);
  stream = nullptr;
  ownsStream = false;
  if (!temporaryPath.empty()) removeFile(temporaryPath.c_str());
  temporaryPath.clear();
}

void outputC::toStream(std::FILE* target) {
  abandon();
  stream = target;
  shownName = "standard output";
}

bool outputC::toFile(const std::string& path, std::string* error) {
  abandon();
  shownName = escapedName(path);
  char resolved[pathRoom];
  if (!resolveLinkedPath(path.c_str(), resolved, sizeof resolved)) {
    *error = "cannot write " + shownName + ": cannot follow its links";
    return false;
  }
  std::uint32_t mode = 0;
  const fileKindE kind = fileKindAt(resolved, &mode);
  errno = 0;
  if (kind == fileOther) {
    stream = std::fopen(resolved, "wb");
    if (stream == nullptr) {
      *error = "cannot write " + shownName + reason();
      return false;
    }
    ownsStream = true;
    return true;
  }
  char temporary[pathRoom];
  stream = createExclusiveTemporary(resolved, temporary, sizeof temporary);
  if (stream == nullptr) {
    *error = "cannot write " + shownName + reason();
    return false;
  }
  ownsStream = true;
  temporaryPath = temporary;
  finalPath = resolved;
  if (kind == fileRegular && !keepFileAttributes(stream, resolved)) {
    *error = "cannot write " + shownName + ": cannot keep its mode";
    abandon();
    return false;
  }
  return true;
}

bool outputC::failWrite(std::string* error) {
  *error = "cannot write " + shownName;
  abandon();
  return false;
}

bool outputC::write(const char* bytes, std::size_t count, std::string* error) {
  if (count == 0) return true;
  if (std::fwrite(bytes, 1, count, stream) != count) return failWrite(error);
  return true;
}

bool outputC::finish(std::string* error) {
  if (!ownsStream) {
    if (stream != nullptr && std::fflush(stream) != 0) return failWrite(error);
    return true;
  }
  std::FILE* file = stream;
  stream = nullptr;
  ownsStream = false;
  if (std::fclose(file) != 0) return failWrite(error);
  if (!temporaryPath.empty()) {
    if (!replaceFile(temporaryPath.c_str(), finalPath.c_str())) return failWrite(error);
    temporaryPath.clear();
  }
  return true;
}
