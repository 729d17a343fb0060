// Fuzz target: random sequences of str operations against a std::string
// model.
//
// Two strs are worked on; each operation (first byte) takes its texts and
// positions from the input. Positions inside the text are checked against
// the model; wild positions (negative, past the end) must only keep the
// invariants. After every operation: the storage holds length() + 1 bytes
// ending in a zero, or nothing; the text equals the model's. At the end
// every block the strs took is back in the module heap.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/str.h"
#include "fuzz/fuzz_support.h"
#include "memory/module_heap.h"
#include "platform/lock.h"

namespace {

constexpr int operationsMost = 96;
constexpr std::size_t textMost = 40;
constexpr std::size_t longestText = 1 << 14;

std::uint64_t outstandingBlocks() {
  lockGuardC guard(modulePool().lock());
  return modulePool().outstanding;
}

// A zero-free text from the input.
std::string takeText(fuzzReaderC& reader) {
  std::string text = reader.bytes(textMost);
  for (char& c : text) {
    if (c == '\0') c = 'a';
  }
  return text;
}

// A position: mostly inside 0..length, sometimes anything.
int takePosition(fuzzReaderC& reader, int length, bool* inside) {
  const std::uint8_t b = reader.byte();
  *inside = b < 224;
  if (*inside) return b % (length + 1);
  return static_cast<int>(reader.u32());
}

void checkInvariants(const str& s, const std::string& model) {
  if (s.hasStorage()) {
    fuzzExpectNumber("storage size is length + 1", static_cast<std::uint64_t>(s.length()) + 1, s.storageSize());
    fuzzExpect("the storage ends in a zero", s.data()[s.length()] == '\0');
  } else {
    fuzzExpectNumber("no storage, no size", 0, s.storageSize());
  }
  fuzzExpectBytes("str text against the model", model, std::string(s.c_str(), static_cast<std::size_t>(s.length())));
}

int modelFind(const std::string& model, bool storage, const std::string& what) {
  if (!storage) return -1;
  const std::size_t at = model.find(what);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int modelReverseFind(const std::string& model, bool storage, const std::string& what) {
  if (!storage) return -1;
  const std::size_t at = model.rfind(what);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

std::string modelReplace(const std::string& source, const std::string& what, const std::string& with, int start) {
  if (what.empty()) return source;
  std::string out = source.substr(0, static_cast<std::size_t>(start));
  std::size_t at = static_cast<std::size_t>(start);
  for (;;) {
    const std::size_t found = source.find(what, at);
    if (found == std::string::npos) break;
    out += source.substr(at, found - at) + with;
    at = found + what.size();
  }
  return out + source.substr(at);
}

std::string unescapeModel(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
    } else if (i + 1 < text.size()) {
      const char c = text[++i];
      out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
  }
  return out;
}

void step(fuzzReaderC& reader, str& s, std::string& model, const str& other, const std::string& otherModel) {
  const int length = static_cast<int>(model.size());
  bool inside = true;
  switch (reader.byte() % 16) {
    case 0: {
      const std::string text = takeText(reader);
      s = text.c_str();
      model = text;
      break;
    }
    case 1: {
      const std::string text = takeText(reader);
      const int n = static_cast<int>(reader.byte() % (textMost + 1));
      const int taken = n < static_cast<int>(text.size()) ? n : static_cast<int>(text.size());
      s.append(text.c_str(), taken);
      model += text.substr(0, static_cast<std::size_t>(taken));
      break;
    }
    case 2: {
      char c = static_cast<char>(reader.byte());
      if (c == '\0') c = 'z';
      s += c;
      model += c;
      break;
    }
    case 3: {
      const int pos = takePosition(reader, length, &inside);
      const std::string text = takeText(reader);
      s.insert(pos, text.c_str());
      if (inside) {
        model.insert(static_cast<std::size_t>(pos), text);
      } else {
        model = std::string(s.c_str(), static_cast<std::size_t>(s.length()));  // clamped: invariants only
      }
      break;
    }
    case 4: {
      const int pos = takePosition(reader, length, &inside);
      const int n = static_cast<int>(static_cast<std::int8_t>(reader.byte()));
      s.cut(pos, n);
      if (!inside) {
        model = std::string(s.c_str(), static_cast<std::size_t>(s.length()));  // clamped: invariants only
      } else if (n > 0) {
        model.erase(static_cast<std::size_t>(pos), static_cast<std::size_t>(n));
      }
      break;
    }
    case 5: {
      const int from = takePosition(reader, length, &inside);
      const int n = reader.byte() % (length + 2);
      const str part = s.mid(from, n);
      if (inside) checkInvariants(part, model.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(n)));
      const int last = reader.byte() % (length + 2);
      const std::string tail = last >= length ? model : model.substr(static_cast<std::size_t>(length - last));
      checkInvariants(s.right(last), tail);
      break;
    }
    case 6: {
      const std::string what = takeText(reader);
      fuzzExpectNumber("find", static_cast<std::uint64_t>(modelFind(model, s.hasStorage(), what)),
                       static_cast<std::uint64_t>(s.find(what.c_str())));
      fuzzExpectNumber("reverseFind", static_cast<std::uint64_t>(modelReverseFind(model, s.hasStorage(), what)),
                       static_cast<std::uint64_t>(s.reverseFind(what.c_str())));
      break;
    }
    case 7: {
      const char c = static_cast<char>(reader.byte() | 1);
      fuzzExpectNumber("findChar", static_cast<std::uint64_t>(modelFind(model, s.hasStorage(), std::string(1, c))),
                       static_cast<std::uint64_t>(s.findChar(c)));
      fuzzExpectNumber("reverseFindChar",
                       static_cast<std::uint64_t>(modelReverseFind(model, s.hasStorage(), std::string(1, c))),
                       static_cast<std::uint64_t>(s.reverseFindChar(c)));
      break;
    }
    case 8: {
      const char c = static_cast<char>(reader.byte() % 4 == 0 ? ' ' : 'a');
      const std::uint8_t which = reader.byte() % 3;
      if (which != 1) {
        s.trimLeft(c);
        const std::size_t first = model.find_first_not_of(c);
        model = first == std::string::npos ? "" : model.substr(first);
      }
      if (which != 0) {
        s.trimRight(c);
        const std::size_t last = model.find_last_not_of(c);
        model = last == std::string::npos ? "" : model.substr(0, last + 1);
      }
      break;
    }
    case 9: {
      const std::string what = takeText(reader), with = takeText(reader);
      const int start = takePosition(reader, length, &inside);
      const str replaced = str::replace(s, str(what.c_str()), str(with.c_str()), start, ~std::uint64_t{0}, true);
      if (inside) {
        const std::string expected = modelReplace(model, what, with, start);
        fuzzExpectBytes("replace", expected,
                        std::string(replaced.c_str(), static_cast<std::size_t>(replaced.length())));
      }
      break;
    }
    case 10: {
      const str escaped = str::escape(s.c_str());
      fuzzExpectBytes("unescape(escape(text))", model, str::unescape(escaped.c_str()).c_str());
      const str fromModel = str::unescape(model.c_str());
      fuzzExpectBytes("unescape", unescapeModel(model), fromModel.c_str());
      break;
    }
    case 11: {
      const std::string delimiter = takeText(reader);
      const str token = s.nextToken(delimiter.c_str());
      const std::size_t at = delimiter.empty() ? std::string::npos : model.find(delimiter);
      if (at == std::string::npos) {
        fuzzExpectBytes("nextToken without a delimiter", model, token.c_str());
        model.clear();
      } else {
        fuzzExpectBytes("nextToken", model.substr(0, at), token.c_str());
        model = model.substr(at + delimiter.size());
      }
      break;
    }
    case 12: {
      const bool equal = s == other.c_str();
      fuzzExpect("== on texts with storage", !s.hasStorage() || !other.hasStorage() || equal == (model == otherModel));
      if (s.hasStorage() && other.hasStorage()) {
        fuzzExpect("< against the model", (s < other.c_str()) == (model < otherModel));
        fuzzExpect("> against the model", (s > other.c_str()) == (model > otherModel));
      }
      break;
    }
    case 13: {
      // Appending the other str to itself over and over would double the
      // text each time: growth stops at a bound.
      if (model.size() + otherModel.size() > longestText) break;
      s += other;
      model += otherModel;
      break;
    }
    case 14: {
      const int n = reader.byte() % 48;
      char* storage = s.buffer(n);
      if (n < 1) {
        fuzzExpect("buffer(0) answers null", storage == nullptr);
        break;
      }
      fuzzExpect("buffer answers storage", storage != nullptr);
      std::string kept = model.substr(0, static_cast<std::size_t>(n - 1));
      kept.resize(static_cast<std::size_t>(n - 1), 'q');
      kept.copy(storage, kept.size());
      storage[n - 1] = '\0';
      model = kept;
      break;
    }
    default: {
      str copy(s);
      str moved(static_cast<str&&>(copy));
      checkInvariants(moved, model);
      s = moved;
      break;
    }
  }
  checkInvariants(s, model);
}

}  // namespace

// The first str destroyed on a thread makes that thread's record, which
// stays; make it before any input is measured.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  str first("warm");
  first += "up";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzReaderC reader(data, size);
  const std::uint64_t blocksBefore = outstandingBlocks();
  {
    str texts[2];
    std::string models[2];
    for (int i = 0; i < operationsMost && !reader.empty(); ++i) {
      const int which = reader.byte() & 1;
      step(reader, texts[which], models[which], texts[1 - which], models[1 - which]);
    }
  }
  fuzzExpectNumber("module heap blocks after the input", blocksBefore, outstandingBlocks());
  return 0;
}
