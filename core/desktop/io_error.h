#pragma once
// Messages of the I/O errors that MeasureFileSize raises.
#include <string>

// "File not found" (ENOENT), "Invalid filename" (ENOTDIR, ENAMETOOLONG,
// ELOOP), "Too many open files" (EMFILE, ENFILE), "File access denied"
// (EACCES, EPERM), otherwise "I/O error <err>".
std::string IoErrorMessage(int err);
