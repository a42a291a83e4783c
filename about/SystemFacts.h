#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace sarvel {

struct VersionNumbers {
    unsigned major = 0;
    unsigned minor = 0;
};

// What the About window tells about the computer. On this platform the operating system's
// version is the running kernel's and the "high part" of the version value is the C library's;
// the processor level is the x86 "cpu family", and the processor's own name its "model name".
struct SystemFacts {
    std::optional<VersionNumbers> kernel;
    std::optional<VersionNumbers> libc;
    std::optional<int> cpuLevel;
    std::optional<std::string> cpuModel;
};

// The leading "major.minor" of a release string: "6.1.0-18-amd64" gives 6 and 1, "2.36" gives
// 2 and 36. Nothing when the text does not start with two dot-separated numbers.
std::optional<VersionNumbers> leadingVersion(std::string_view release);

// The "cpu family" of the first processor listed in /proc/cpuinfo text; nothing when absent
// (every architecture but x86).
std::optional<int> cpuFamily(std::string_view cpuinfo);

// The "model name" of the first processor listed in /proc/cpuinfo text, its runs of blanks made
// single; nothing when absent or empty.
std::optional<std::string> cpuModelName(std::string_view cpuinfo);

// "Linux 6.1": the system's own name in place of the Windows one, numbered as the kernel numbers
// itself.
QString winVerText(unsigned major, unsigned minor);
// "glibc 2.36", minor again at least two digits.
QString dosVerText(unsigned major, unsigned minor);
// The processor family's name for levels 3 to 6, empty for any other.
QString cpuText(int level);
// The processor line: the name the system reports, else the family's name from the table above.
QString cpuText(const SystemFacts& facts);

// Reads uname(), the C library's version and /proc/cpuinfo.
SystemFacts readSystemFacts();

} // namespace sarvel
