// File names: GTK and GIMP hand over UTF-8, while the C runtime's file
// functions expect the system's file-name encoding (G_FILENAME_ENCODING, or
// the locale's charset when that is unset). Every file the suite opens by a
// user-supplied name goes through these conversions.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

// UTF-8 → file-name encoding. None for a null or empty text and when the
// conversion fails. Text that is not valid UTF-8 is taken to be in the
// file-name encoding already and is returned unchanged.
std::optional<std::string> qv_filename_from_utf8(const char *utf8);

// File-name encoding → UTF-8. None for a null or empty name and when the
// conversion fails. The result is not checked further.
std::optional<std::string> qv_filename_to_utf8(const char *name);

// The encoding file names are converted to: the first entry of
// G_FILENAME_ENCODING ("@locale" meaning the locale's charset), else the
// locale's charset.
std::string qv_filename_charset();

struct QVFileClose {
  void operator()(std::FILE *f) const {
    if (f) std::fclose(f);
  }
};
using QVFile = std::unique_ptr<std::FILE, QVFileClose>;

// Opens the file named in UTF-8 with the fopen mode; null when the name does
// not convert or the file does not open (errno tells why in the latter case).
QVFile qv_fopen_utf8(const char *utf8_name, const char *mode);

// The file a style or script names, as a canonical UTF-8 name. Names
// written on Windows use "\", so both separators are read; a relative name
// is taken from the folder of `base_file` (the current folder without it).
std::string qv_filename_resolve(std::string name, const std::optional<std::string> &base_file);

// The absolute file `target` as a name relative to the folder of
// `base_file`, in the form the suite resolves against an image's file:
// "./" for the same folder or below, "../" per folder up, "/" separators.
// None without a base file or when either name is not absolute.
std::optional<std::string> qv_filename_relative(const std::string &target,
                                                const std::optional<std::string> &base_file);
