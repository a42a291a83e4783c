#include "SystemFacts.h"

#include <charconv>
#include <fstream>
#include <gnu/libc-version.h>
#include <sys/utsname.h>

namespace sarvel {

namespace {

// One unsigned decimal at the front of text, which is advanced past it.
std::optional<unsigned> takeNumber(std::string_view& text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The trimmed value of the first "key : value" line of /proc/cpuinfo text with this key.
std::optional<std::string_view> firstValue(std::string_view cpuinfo, std::string_view key) {
    while (!cpuinfo.empty()) {
        const auto eol = cpuinfo.find('\n');
        const std::string_view line = cpuinfo.substr(0, eol);
        cpuinfo = eol == std::string_view::npos ? std::string_view() : cpuinfo.substr(eol + 1);

        const auto colon = line.find(':');
        if (colon != std::string_view::npos && trimmed(line.substr(0, colon)) == key)
            return trimmed(line.substr(colon + 1));
    }
    return std::nullopt;
}

QString versionText(const char* name, unsigned major, unsigned minor) {
    return QStringLiteral("%1 %2.%3").arg(QLatin1String(name)).arg(major).arg(minor, 2, 10, QLatin1Char('0'));
}

} // namespace

std::optional<VersionNumbers> leadingVersion(std::string_view release) {
    const auto major = takeNumber(release);
    if (!major || release.empty() || release.front() != '.')
        return std::nullopt;
    release.remove_prefix(1);
    const auto minor = takeNumber(release);
    if (!minor)
        return std::nullopt;
    return VersionNumbers{*major, *minor};
}

std::optional<int> cpuFamily(std::string_view cpuinfo) {
    const auto text = firstValue(cpuinfo, "cpu family");
    if (!text)
        return std::nullopt;
    std::string_view value = *text;
    const auto family = takeNumber(value);
    if (!family || !value.empty() || *family > 0xFFFF)
        return std::nullopt;
    return static_cast<int>(*family);
}

std::optional<std::string> cpuModelName(std::string_view cpuinfo) {
    const auto value = firstValue(cpuinfo, "model name");
    if (!value || value->empty())
        return std::nullopt;
    std::string name;
    for (const char c : *value) {
        const bool blank = c == ' ' || c == '\t';
        if (!blank)
            name += c;
        else if (!name.empty() && name.back() != ' ')
            name += ' ';
    }
    return name;
}

QString winVerText(unsigned major, unsigned minor) {
    return QStringLiteral("Linux %1.%2").arg(major).arg(minor);
}

QString dosVerText(unsigned major, unsigned minor) {
    return versionText("glibc", major, minor);
}

QString cpuText(int level) {
    switch (level) {
    case 3:
        return QStringLiteral("Intel 80386");
    case 4:
        return QStringLiteral("Intel 80486");
    case 5:
        return QStringLiteral("Intel Pentium");
    case 6:
        return QStringLiteral("Intel Pentium III");
    default:
        return QString();
    }
}

QString cpuText(const SystemFacts& facts) {
    if (facts.cpuModel)
        return QString::fromStdString(*facts.cpuModel);
    return cpuText(facts.cpuLevel.value_or(0));
}

SystemFacts readSystemFacts() {
    SystemFacts facts;
    utsname name{};
    if (uname(&name) == 0)
        facts.kernel = leadingVersion(name.release);
    facts.libc = leadingVersion(gnu_get_libc_version());

    // The first processor's block is enough; /proc files report no size, so read to the end.
    std::ifstream file("/proc/cpuinfo");
    std::string text;
    for (std::string line; text.size() < 64 * 1024 && std::getline(file, line);) {
        if (line.empty())
            break;
        text += line;
        text += '\n';
    }
    facts.cpuLevel = cpuFamily(text);
    facts.cpuModel = cpuModelName(text);
    return facts;
}

} // namespace sarvel
