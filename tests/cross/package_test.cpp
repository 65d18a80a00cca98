// The host package folder made from the cross builds: six plug-ins, the description, help, docs, the
// abstraction, the overview patcher, the mappings, licence, readme and a reproducible icon; and the
// version each plug-in file carries (Windows version resource, macOS Info.plist).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <regex>

#include "cross_support.h"

using namespace cross;

namespace {

std::string plist_entry(const std::string &plist, const std::string &key) {
    std::smatch m;
    const std::regex entry("<key>" + key + R"(</key>\s*<(string>([^<]*)</string|true/|false/)>)");
    return std::regex_search(plist, m, entry) ? (m[2].matched ? m[2].str() : m[1].str()) : "(absent)";
}

uint32_t u32_at(const std::string &bytes, size_t at, bool bigEndian) {
    uint32_t v = 0;
    for (int i = 0; i < 4; i++) {
        const auto b = (uint32_t)(unsigned char)bytes[at + (bigEndian ? i : 3 - i)];
        v = v << 8 | b;
    }
    return v;
}

// "3.2.0" -> {3, 2, 0}
std::vector<uint32_t> version_parts(const std::string &v) {
    std::vector<uint32_t> parts;
    for (size_t at = 0; at <= v.size();) {
        const size_t dot = std::min(v.find('.', at), v.size());
        parts.push_back((uint32_t)std::strtoul(v.substr(at, dot - at).c_str(), nullptr, 10));
        at = dot + 1;
    }
    return parts;
}

std::string package_version() {
    std::smatch v;
    const std::string info = read_file(std::string(VIBREL_SOURCE_DIR) + "/package/package-info.json");
    return std::regex_search(info, v, std::regex(R"re("version"\s*:\s*"([^"]+)")re")) ? v[1].str() : "";
}

Result gather(const std::string &out) {
    return run(quote(VIBREL_CMAKE) + " -DVIBREL_CROSS_ROOT=" + quote(VIBREL_CROSS_ROOT) + " -DVIBREL_PACKAGE_DIR=" +
               quote(out) + " -DVIBREL_RENDER=" + quote(VIBREL_RENDER_EXE) +
               " -DVIBREL_ICON_MODULE=" + quote(VIBREL_LINUX_MODULE_FULL) + " -P " +
               quote(std::string(VIBREL_SOURCE_DIR) + "/cmake/package.cmake") + " 2>&1");
}

std::string skip_reason() {
    for (const char *target : {"win64", "win32", "macos"})
        if (auto why = toolchain_missing(target); !why.empty()) return why;
    if (auto why = missing_tool(VIBREL_LLVM_LIPO, "llvm-lipo (package llvm)"); !why.empty()) return why;
    return {};
}

TEST(Package, CollectsEverythingTheHostAndItsUsersLookFor) {
    if (auto why = skip_reason(); !why.empty()) GTEST_SKIP() << why;
    for (const char *target : {"win64", "win32", "macos"})
        for (const Build &b : builds(target))
            ASSERT_TRUE(exists(b.module())) << b.module() << " is missing: build the cross targets with .ci/cross.sh";
    char tmpl[] = "/tmp/vibrel-package-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string out = tmpl;
    const Result r = gather(out);
    ASSERT_EQ(r.status, 0) << r.out;

    const std::string pkg = out + "/vibrel";
    // Six plug-ins, one universal bundle per variant.
    EXPECT_EQ(run("LC_ALL=C ls " + quote(pkg + "/externals")).out,
              "vibrel-lite~.mxe\nvibrel-lite~.mxe64\nvibrel-lite~.mxo\nvibrel~.mxe\nvibrel~.mxe64\nvibrel~.mxo\n");
    for (const char *name : {"vibrel~", "vibrel-lite~"}) {
        const std::string bundle = pkg + "/externals/" + name + ".mxo/Contents";
        EXPECT_TRUE(exists(bundle + "/MacOS/" + name)) << name;
        EXPECT_EQ(read_file(bundle + "/PkgInfo"), "iLaXmax2") << name;
        EXPECT_EQ(run(quote(VIBREL_LLVM_LIPO) + " -archs " + quote(bundle + "/MacOS/" + name)).out, "x86_64 arm64 \n")
            << name;
    }
    // The package's version is the plug-ins' version.
    const std::string info = read_file(pkg + "/package-info.json");
    const std::string plist = read_file(pkg + "/externals/vibrel~.mxo/Contents/Info.plist");
    EXPECT_EQ(package_version(), plist_entry(plist, "CFBundleVersion"));
    for (const char *key : {"name", "displayname", "author", "description", "tags", "os", "filelist",
                            "max_version_min", "homepatcher"})
        EXPECT_NE(info.find(std::string("\"") + key + "\""), std::string::npos) << key;
    for (const char *file : {"help/vibrel~.maxhelp", "help/vibrel-lite~.maxhelp", "docs/refpages/vibrel~.maxref.xml",
                             "patchers/vibrel.period.maxpat", "extras/vibrel.overview.maxpat", "license.md", "readme.md"})
        EXPECT_TRUE(exists(pkg + "/" + file)) << file;
    EXPECT_NE(info.find(R"("homepatcher": "vibrel.overview.maxpat")"), std::string::npos);
    EXPECT_EQ(read_file(pkg + "/init/objectmappings.txt"), "max objectfile mc.vibrel~ mc.wrapper~ vibrel~;\n"
                                                           "max objectfile mc.vibrel-lite~ mc.wrapper~ vibrel-lite~;\n");
    EXPECT_FALSE(exists(out + "/icon-render")) << "the icon's scratch folder was left behind";

    // icon.png: a 500 x 500 PNG (width and height lead the IHDR chunk).
    const std::string icon = read_file(pkg + "/icon.png");
    ASSERT_GT(icon.size(), 24u);
    EXPECT_EQ(icon.substr(1, 3), "PNG");
    EXPECT_EQ(icon.substr(12, 4), "IHDR");
    EXPECT_EQ(u32_at(icon, 16, true), 500u);
    EXPECT_EQ(u32_at(icon, 20, true), 500u);

    // Collecting again starts from scratch (nothing stale survives) and draws the same icon.
    run("touch " + quote(pkg + "/externals/stale.mxe"));
    ASSERT_EQ(gather(out).status, 0);
    EXPECT_FALSE(exists(pkg + "/externals/stale.mxe"));
    EXPECT_TRUE(read_file(pkg + "/icon.png") == icon) << "icon.png differs from one run to the next";
    run("rm -rf " + quote(out));
}

// The host package as one download: unzipped (into the host's Packages folder), the archive makes the
// gathered folder vibrel/ file for file, the bundles' executables executable; its .sha256 is right, and
// made again it is the same bytes. (Its form: tests/package.)
TEST(Package, OneDownloadUnzipsIntoThePackageFolder) {
    if (auto why = skip_reason(); !why.empty()) GTEST_SKIP() << why;
    if (auto why = missing_tool("/usr/bin/unzip", "unzip"); !why.empty()) GTEST_SKIP() << why;
    char tmpl[] = "/tmp/vibrel-download-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string out = tmpl, name = "vibrel-" + package_version() + "-max.zip", zip = out + "/" + name;
    ASSERT_EQ(gather(out).status, 0);
    const std::string make = quote(VIBREL_PYTHON) + " " + quote(std::string(VIBREL_SOURCE_DIR) +
                             "/cmake/archives/reproducible_zip.py") + " " + quote(out + "/vibrel") + " " + quote(zip);
    ASSERT_EQ(run(make).status, 0);
    const std::string bytes = read_file(zip);

    const Result unpacked = run("unzip -q " + quote(zip) + " -d " + quote(out + "/unzipped") + " && diff -r " +
                                quote(out + "/vibrel") + " " + quote(out + "/unzipped/vibrel"));
    EXPECT_EQ(unpacked.status, 0) << unpacked.out << unpacked.err;
    const std::string modes = run("zipinfo " + quote(zip)).out;
    EXPECT_EQ(run("zipinfo " + quote(zip) + " | grep -c '^-rwx.*/Contents/MacOS/'").out, "2\n") << modes;
    EXPECT_EQ(read_file(zip + ".sha256"), run("cd " + quote(out) + " && sha256sum " + quote(name)).out);
    ASSERT_EQ(run(make).status, 0);
    EXPECT_TRUE(read_file(zip) == bytes) << "the archive differs when made again from the same folder";
    run("rm -rf " + quote(out));
}

// Every Windows module holds a version resource whose fixed file and product versions are the package's;
// every bundle's Info.plist has the keys of the SDK's template.
TEST(Package, EveryPluginFileCarriesThePackageVersion) {
    if (auto why = skip_reason(); !why.empty()) GTEST_SKIP() << why;
    if (auto why = missing_tool(VIBREL_LLVM_READOBJ, "llvm-readobj (package llvm)"); !why.empty()) GTEST_SKIP() << why;
    const std::vector<uint32_t> v = version_parts(package_version());
    ASSERT_EQ(v.size(), 3u);
    const uint32_t ms = v[0] << 16 | v[1], ls = v[2] << 16;
    for (const char *target : {"win64", "win32"})
        for (const Build &b : builds(target)) {
            SCOPED_TRACE(b.module());
            const Result r = run(quote(VIBREL_LLVM_READOBJ) + " --coff-resources " + quote(b.module()));
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_NE(r.out.find("Type: VERSIONINFO (ID 16)"), std::string::npos) << r.out;
            const std::string bytes = read_file(b.module());
            const size_t at = bytes.find("\xBD\x04\xEF\xFE"); // VS_FIXEDFILEINFO's signature, 0xFEEF04BD
            ASSERT_NE(at, std::string::npos);
            EXPECT_EQ(u32_at(bytes, at + 8, false), ms) << "file version, high word";
            EXPECT_EQ(u32_at(bytes, at + 12, false), ls) << "file version, low word";
            EXPECT_EQ(u32_at(bytes, at + 16, false), ms) << "product version, high word";
            EXPECT_EQ(u32_at(bytes, at + 20, false), ls) << "product version, low word";
        }
    for (const Build &b : builds("macos")) {
        SCOPED_TRACE(b.bundle());
        const std::string plist = read_file(b.bundle() + "/Contents/Info.plist");
        EXPECT_EQ(plist_entry(plist, "CSResourcesFileMapped"), "true/");
        EXPECT_EQ(plist_entry(plist, "CFBundleLongVersionString").rfind(b.className() + " " + package_version(), 0), 0u);
        EXPECT_NE(plist_entry(plist, "NSHumanReadableCopyright").find("Copyright"), std::string::npos);
    }
}

} // namespace
