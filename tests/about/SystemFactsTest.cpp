#include "SystemFacts.h"

#include <gtest/gtest.h>

using namespace sarvel;

TEST(SystemFacts, KernelLineReadsLikeTheKernelsVersionTheLibraryLineKeepsTwoDigits) {
    EXPECT_EQ(winVerText(6, 1), "Linux 6.1");
    EXPECT_EQ(winVerText(4, 10), "Linux 4.10");
    EXPECT_EQ(winVerText(6, 0), "Linux 6.0");
    // The high part 0x0A28: major 0x0A, minor 0x28.
    EXPECT_EQ(dosVerText(0x0A, 0x28), "glibc 10.40");
    EXPECT_EQ(dosVerText(2, 36), "glibc 2.36");
    EXPECT_EQ(dosVerText(4294967295u, 7), "glibc 4294967295.07");
}

TEST(SystemFacts, ProcessorLevelsOutsideTheTableGiveNoText) {
    EXPECT_EQ(cpuText(3), "Intel 80386");
    EXPECT_EQ(cpuText(4), "Intel 80486");
    EXPECT_EQ(cpuText(5), "Intel Pentium");
    EXPECT_EQ(cpuText(6), "Intel Pentium III");
    for (int level : {15, 0, 2, 7, 23, -1})
        EXPECT_TRUE(cpuText(level).isEmpty()) << level;
}

TEST(SystemFacts, LeadingVersionTakesMajorAndMinorOfAReleaseString) {
    auto check = [](const char* text, unsigned major, unsigned minor) {
        const auto version = leadingVersion(text);
        ASSERT_TRUE(version) << text;
        EXPECT_EQ(version->major, major) << text;
        EXPECT_EQ(version->minor, minor) << text;
    };
    check("6.1.0-18-amd64", 6, 1);
    check("5.10.0", 5, 10);
    check("2.36", 2, 36);
    check("6.8.0-rc3+", 6, 8);
    check("4.19-custom", 4, 19);

    for (const char* bad : {"", "6", "6.", ".1", "v6.1", "6-1", "6.x", "-1.2", " 6.1", "4294967296.1"})
        EXPECT_FALSE(leadingVersion(bad)) << '"' << bad << '"';
}

TEST(SystemFacts, CpuFamilyComesFromTheFirstProcessorOfCpuinfo) {
    const char* x86 = "processor\t: 0\n"
                      "vendor_id\t: GenuineIntel\n"
                      "cpu family\t: 6\n"
                      "model\t\t: 158\n"
                      "model name\t: Some CPU @ 3.00GHz\n"
                      "\n"
                      "processor\t: 1\n"
                      "cpu family\t: 15\n";
    EXPECT_EQ(cpuFamily(x86), 6);
    EXPECT_EQ(cpuFamily("vendor_id : AuthenticAMD\r\ncpu family : 25\r\n"), 25);

    const char* arm = "processor\t: 0\n"
                      "BogoMIPS\t: 108.00\n"
                      "CPU implementer\t: 0x41\n"
                      "CPU architecture: 8\n"
                      "CPU variant\t: 0x0\n";
    EXPECT_FALSE(cpuFamily(arm));
    EXPECT_FALSE(cpuFamily(""));
    EXPECT_FALSE(cpuFamily("cpu family\t: six\n"));
    EXPECT_FALSE(cpuFamily("cpu family\t: 6 7\n"));
    EXPECT_FALSE(cpuFamily("cpu family\t:\n"));
    EXPECT_FALSE(cpuFamily("cpu family"));
    EXPECT_FALSE(cpuFamily("cpu family model\t: 6\n"));
}

TEST(SystemFacts, ProcessorLineIsTheReportedModelNameTheTableOnlyWithoutOne) {
    const char* amd = "processor\t: 0\n"
                      "vendor_id\t: AuthenticAMD\n"
                      "cpu family\t: 25\n"
                      "model\t\t: 97\n"
                      "model name\t: AMD Ryzen 9 7950X 16-Core Processor\n"
                      "\n"
                      "processor\t: 1\n"
                      "model name\t: Another\n";
    const char* intel = "processor\t: 0\n"
                        "vendor_id\t: GenuineIntel\n"
                        "cpu family\t: 6\n"
                        "model\t\t: 44\n"
                        "model name\t: Intel(R) Xeon(R) CPU           X5650  @ 2.67GHz\r\n";
    EXPECT_EQ(cpuModelName(amd), "AMD Ryzen 9 7950X 16-Core Processor");
    EXPECT_EQ(cpuModelName(intel), "Intel(R) Xeon(R) CPU X5650 @ 2.67GHz");
    EXPECT_FALSE(cpuModelName("cpu family\t: 6\n"));
    EXPECT_FALSE(cpuModelName("model name\t:   \n"));

    auto line = [](const char* cpuinfo) {
        return cpuText(SystemFacts{std::nullopt, std::nullopt, cpuFamily(cpuinfo), cpuModelName(cpuinfo)});
    };
    EXPECT_EQ(line(amd), "AMD Ryzen 9 7950X 16-Core Processor");
    EXPECT_EQ(line(intel), "Intel(R) Xeon(R) CPU X5650 @ 2.67GHz");
    EXPECT_EQ(line("cpu family\t: 5\n"), "Intel Pentium");
    EXPECT_EQ(line("cpu family\t: 25\n"), "");
}

TEST(SystemFacts, TheRunningSystemReportsKernelAndLibraryVersions) {
    const SystemFacts facts = readSystemFacts();
    ASSERT_TRUE(facts.kernel);
    EXPECT_GE(facts.kernel->major, 2u);
    ASSERT_TRUE(facts.libc);
    EXPECT_EQ(facts.libc->major, 2u);
#if defined(__x86_64__) || defined(__i386__)
    ASSERT_TRUE(facts.cpuLevel);
    EXPECT_GE(*facts.cpuLevel, 3);
    EXPECT_TRUE(facts.cpuModel);
#endif
}
