// The ad-hoc signatures of the macOS bundles, read by our own checker (check_signature.py): every slice
// valid, and the checker shown to refuse what Apple Silicon refuses, a changed byte of code and an
// unsigned arm64 slice.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "cross_support.h"

using namespace cross;

namespace {

Result check_signature(const std::string &file) {
    return run(quote(VIBREL_PYTHON) + " " + quote(script_path("check_signature.py")) + " " + quote(file));
}

bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

std::string tools_missing() {
    if (auto why = toolchain_missing("macos"); !why.empty()) return why;
    if (auto why = missing_tool(VIBREL_PYTHON, "python3"); !why.empty()) return why;
    if (auto why = missing_tool(VIBREL_LLVM_LIPO, "llvm-lipo (package llvm)"); !why.empty()) return why;
    return missing_tool(VIBREL_LLVM_OBJDUMP, "llvm-objdump (package llvm)");
}

class MacSignature : public testing::TestWithParam<Build> {};

TEST_P(MacSignature, EverySliceIsSignedAdHocOverAllItsPages) {
    const Build &b = GetParam();
    if (auto why = tools_missing(); !why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(exists(b.module())) << b.module() << " is missing: build the cross targets with .ci/cross.sh";
    const Result r = check_signature(b.module());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    for (const char *arch : {"x86_64", "arm64"})
        EXPECT_TRUE(has(r.out, std::string(arch) + ": signature valid: sha256, ad hoc")) << r.out;
}

TEST(SignatureChecker, RefusesAFlippedByteOfCodeAndAnUnsignedArm64Slice) {
    const Build b{"macos", "full"};
    if (auto why = tools_missing(); !why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(exists(b.module())) << b.module() << " is missing: build the cross targets with .ci/cross.sh";
    char tmpl[] = "/tmp/vibrel-signature-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl, lipo = quote(VIBREL_LLVM_LIPO) + " " + quote(b.module());
    // The bundle's executable with its arm64 slice replaced; returns the checker's verdict.
    auto check_with_arm64 = [&](const std::string &slice) {
        const std::string out = slice + ".universal";
        EXPECT_EQ(run(lipo + " -replace arm64 " + quote(slice) + " -output " + quote(out)).status, 0);
        return check_signature(out);
    };

    // One bit of the arm64 slice's code changed.
    const std::string thin = dir + "/arm64";
    ASSERT_EQ(run(lipo + " -thin arm64 -output " + quote(thin)).status, 0);
    const MachO o = parse_macho(run(quote(VIBREL_LLVM_OBJDUMP) + " --macho --private-headers " + quote(thin)).out);
    ASSERT_GT(o.textSize, 0);
    std::string bytes = read_file(thin);
    bytes[o.textOffset + o.textSize / 2] ^= 1;
    std::ofstream(thin, std::ios::binary | std::ios::trunc) << bytes;
    Result r = check_with_arm64(thin);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(has(r.out, "x86_64: signature valid") && has(r.out, "arm64: INVALID: page hash mismatch")) << r.out;

    // An arm64 slice linked without a signature next to the real x86_64 one; linked with one, the same
    // code passes.
    const std::string source = dir + "/probe.c";
    std::ofstream(source) << "int probe(void) { return 0; }\n";
    auto link = [&](const std::string &out, const std::string &signing) {
        return run(quote(VIBREL_MACOS_CLANG) + " -target arm64-apple-macos11 -nostdinc -bundle -nostdlib --ld-path=" +
                   quote(VIBREL_MACOS_LINKER) + " -mlinker-version=609 " + quote(source) + " " +
                   quote(std::string(VIBREL_SOURCE_DIR) + "/cmake/macos/libSystem.tbd") + " -Wl," + signing + " -o " +
                   quote(out) + " 2>&1");
    };
    ASSERT_EQ(link(dir + "/signed", "-adhoc_codesign").status, 0);
    EXPECT_EQ(check_signature(dir + "/signed").status, 0);
    const Result linked = link(dir + "/unsigned", "-no_adhoc_codesign");
    ASSERT_EQ(linked.status, 0) << linked.out;
    r = check_with_arm64(dir + "/unsigned");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(has(r.out, "x86_64: signature valid") && has(r.out, "arm64: INVALID: no code signature")) << r.out;
    run("rm -rf " + quote(dir));
}

INSTANTIATE_TEST_SUITE_P(MacOS, MacSignature, testing::Values(Build{"macos", "full"}, Build{"macos", "lite"}),
                         [](const testing::TestParamInfo<Build> &info) { return info.param.name(); });

} // namespace
