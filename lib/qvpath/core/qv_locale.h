// Where the suite's compiled message catalogues are found at run time. They
// are installed beside the programs, not into a fixed prefix: the plug-ins
// live in a GIMP profile (<profile>/plug-ins/<name>/<name>, catalogues in
// <profile>/locale), frameRunner in PREFIX/bin (catalogues in
// PREFIX/share/locale), and the build tree holds both (build/locale).
#pragma once

#include <string>

// The text domain of every plug-in and of frameRunner.
inline constexpr const char *QV_TEXT_DOMAIN = "qv-path-suite";

// True when `folder` holds a catalogue of `domain` for some language
// (folder/<lang>/LC_MESSAGES/<domain>.mo).
bool qv_locale_dir_has_domain(const std::string &folder, const char *domain);

// The catalogue folder for a program whose file is `program` (symbolic links
// followed): $QV_LOCALEDIR when set; else the first of "locale" and
// "share/locale" that holds the domain, looked for in the program's folder
// and up to three folders above it; else `fallback`.
std::string qv_locale_dir(const std::string &program, const char *domain,
                          const std::string &fallback);

// The running program's own file (/proc/self/exe), or "" when unknown.
std::string qv_running_program();

// printf into a std::string, for translated formats whose arguments are
// placed by the translation ("»%s« not found", "%2$s … %1$s").
std::string qv_text(const char *format, ...) __attribute__((format(printf, 1, 2)));
