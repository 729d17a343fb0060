// Trace-file text: record lines and the trace file's name.
#include "diagnostics/code_track_format.h"

#include <cstdio>

#include "platform/environment.h"

void clearCodeTrackRecord(codeTrackRecordS& record, std::uint32_t threadId) {
  record.text = nullptr;
  record.number = 0;
  record.number2 = 0;
  record.kind = codeTrackKindEmpty;
  record.extra = static_cast<const char*>(nullptr);
  record.threadId = threadId;
}

void appendCodeTrackKindText(str& line, std::uint32_t kind, std::uint32_t number2) {
  switch (kind) {
    case codeTrackKindCondition:
      line << "Cond=" << static_cast<std::int32_t>(number2);
      break;
    case codeTrackKindFrameEnter:
      line << "Frame Enter";
      break;
    case codeTrackKindFrameLeave:
      line << "Frame Leave";
      break;
    case codeTrackKindFunctionEnter:
      line << "Enter Fnc";
      break;
    case codeTrackKindFunctionDone:
      line << "Done Fnc (" << static_cast<std::int32_t>(number2) << ")";
      break;
    case codeTrackKindException:
      line << "Exception";
      break;
    default:  // empty slots, trace points and unknown kinds have no kind text
      break;
  }
}

str formatCodeTrackLine(const codeTrackRecordS& record, const localTimeOfDayS& timeOfDay) {
  const std::uint64_t counter = static_cast<std::uint64_t>(record.counter);
  // The fixed-width head: two 10-digit counter parts, four time parts and a
  // thread id fit well within the buffer.
  char head[96];
  std::snprintf(head, sizeof head, "%u%u;%d:%d:%d:%d;%d;", static_cast<unsigned>(counter >> 32),
                static_cast<unsigned>(counter & 0xFFFFFFFFu), timeOfDay.hour, timeOfDay.minute, timeOfDay.second,
                timeOfDay.milliseconds, static_cast<int>(record.threadId));
  str line(head);
  line << record.text << ";" << static_cast<std::int32_t>(record.number) << ";";
  appendCodeTrackKindText(line, record.kind, record.number2);
  if (record.extra.length() > 0) line << "(" << record.extra << ")";
  line << "\n";
  return line;
}

str formatCodeTrackLine(const codeTrackRecordS& record) {
  localTimeOfDayS timeOfDay = {0, 0, 0, 0};
  fileTimeToLocalTimeOfDay(record.time, timeOfDay);
  return formatCodeTrackLine(record, timeOfDay);
}

str codeTrackDirectory() {
  static const char* const variables[] = {"temp", "tmp", "TEMP", "TMP"};
  const char* directory = nullptr;
  for (const char* variable : variables) {
    const char* value = getRuntimeEnvironmentVariable(variable);
    if (value != nullptr && value[0] != '\0') {
      directory = value;
      break;
    }
  }
  str result(directory != nullptr ? directory : defaultTempDirectory());
  const int length = result.length();
  const char last = length > 0 ? result[length - 1] : '\0';
  if (last != '/' && last != '\\') result << "/";
  return result;
}

str codeTrackFileNameIn(const char* directory, std::uint32_t ownerThreadId, const char* moduleName) {
  str name(directory);
  name << "codetrack." << static_cast<std::int32_t>(ownerThreadId) << "." << moduleName << ".txt";
  return name;
}
