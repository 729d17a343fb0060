// Opening a text file for appending, the way the trace and report files are
// written: the runtime library's fopen in append text mode, so that on
// Windows every "\n" written becomes a carriage return plus line feed.
//
// Backend contract (platform/<posix|win32>/text_file.cpp):
// - openTextFileForAppend() opens (creating it if missing) the named file
//   for appending in text mode: Windows fopen mode "at+"; POSIX "a+", where
//   text and binary mode are the same. Answers the stream, to be closed with
//   fclose, or null when the file cannot be opened (nothing is created then).
// - openPrivateTextFileForAppend() is openTextFileForAppend() for a file
//   under a predictable name in a directory that other users may write to
//   (the temporary directory). Windows: the same fopen. POSIX: the file is
//   opened without following a symbolic link in its last component, without
//   waiting on a FIFO, created with mode 0600 when missing, and kept only
//   when it is a regular file owned by the process's effective user with one
//   link; anything else (a link planted there, a device, a FIFO, another
//   user's file, a second name of some other file) answers null with the
//   file untouched.
// - textFileLineEnd() answers the bytes that a "\n" written to such a file
//   becomes: "\r\n" on Windows, "\n" on POSIX.
#pragma once

#include <cstdio>

std::FILE* openTextFileForAppend(const char* name);
std::FILE* openPrivateTextFileForAppend(const char* name);
const char* textFileLineEnd();
