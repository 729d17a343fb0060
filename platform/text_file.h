// Opening a text file for appending, the way the trace and report files are
// written: the runtime library's fopen in append text mode, so that on
// Windows every "\n" written becomes a carriage return plus line feed.
//
// Backend contract (platform/<posix|win32>/text_file.cpp):
// - openTextFileForAppend() opens (creating it if missing) the named file
//   for appending in text mode: Windows fopen mode "at+"; POSIX "a+", where
//   text and binary mode are the same. Answers the stream, to be closed with
//   fclose, or null when the file cannot be opened (nothing is created then).
// - textFileLineEnd() answers the bytes that a "\n" written to such a file
//   becomes: "\r\n" on Windows, "\n" on POSIX.
#pragma once

#include <cstdio>

std::FILE* openTextFileForAppend(const char* name);
const char* textFileLineEnd();
