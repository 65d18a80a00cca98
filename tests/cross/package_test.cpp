// The host package folder made from the cross builds: six plug-ins, the description, help and docs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "cross_support.h"

using namespace cross;

namespace {

TEST(Package, CollectsTheSixPluginsWithTheirDescription) {
    for (const char *target : {"win64", "win32", "macos"})
        if (auto why = toolchain_missing(target); !why.empty()) GTEST_SKIP() << why;
    if (auto why = missing_tool(VIBREL_LLVM_LIPO, "llvm-lipo (package llvm)"); !why.empty()) GTEST_SKIP() << why;
    for (const char *target : {"win64", "win32", "macos"})
        for (const Build &b : builds(target))
            ASSERT_TRUE(exists(b.module())) << b.module() << " is missing: build the cross targets with .ci/cross.sh";
    char tmpl[] = "/tmp/vibrel-package-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string out = tmpl;
    const Result r = run(quote(VIBREL_CMAKE) + " -DVIBREL_CROSS_ROOT=" + quote(VIBREL_CROSS_ROOT) +
                         " -DVIBREL_PACKAGE_DIR=" + quote(out) + " -P " +
                         quote(std::string(VIBREL_SOURCE_DIR) + "/cmake/package.cmake") + " 2>&1");
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
    std::smatch v, p;
    ASSERT_TRUE(std::regex_search(info, v, std::regex(R"re("version"\s*:\s*"([^"]+)")re")));
    ASSERT_TRUE(std::regex_search(plist, p, std::regex(R"(<key>CFBundleVersion</key>\s*<string>([^<]+)<)")));
    EXPECT_EQ(v[1].str(), p[1].str());
    for (const char *key : {"name", "displayname", "author", "description", "tags", "os", "filelist"})
        EXPECT_NE(info.find(std::string("\"") + key + "\""), std::string::npos) << key;
    EXPECT_EQ(exists(pkg + "/help"), exists(std::string(VIBREL_SOURCE_DIR) + "/package/help"));
    EXPECT_EQ(exists(pkg + "/docs/refpages"), exists(std::string(VIBREL_SOURCE_DIR) + "/package/docs/refpages"));

    // Collecting again starts from scratch: nothing stale survives.
    run("touch " + quote(pkg + "/externals/stale.mxe"));
    ASSERT_EQ(run(quote(VIBREL_CMAKE) + " -DVIBREL_CROSS_ROOT=" + quote(VIBREL_CROSS_ROOT) + " -DVIBREL_PACKAGE_DIR=" +
                  quote(out) + " -P " + quote(std::string(VIBREL_SOURCE_DIR) + "/cmake/package.cmake") + " 2>&1")
                  .status,
              0);
    EXPECT_FALSE(exists(pkg + "/externals/stale.mxe"));
    run("rm -rf " + quote(out));
}

} // namespace
