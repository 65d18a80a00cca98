// The built Linux module's dynamic symbol table: it exports only its entry point and takes every host
// operation from the process that loads it.
#include <cstdio>
#include <map>
#include <set>

#include "host_fixture.h"

namespace {

const std::set<std::string> kHostOperations{
    "class_new",      "class_addmethod",   "class_register", "class_dspinit", "gensym",
    "object_alloc",   "object_free",       "object_method",  "object_method_imp", "object_post",
    "z_dsp_setup",    "z_dsp_free",        "outlet_new",     "sysmem_newptrclear", "sysmem_freeptr"};

// What the binding calls on a 64-bit target: all of these must be left to the host.
const std::set<std::string> kCalled{"class_new",     "class_addmethod", "class_register", "class_dspinit",
                                    "gensym",        "object_alloc",    "object_method_imp", "object_post",
                                    "z_dsp_setup",   "z_dsp_free",      "outlet_new",     "sysmem_newptrclear",
                                    "sysmem_freeptr"};

// The C library pieces the plug-in may take from the system, and what toolchains and sanitizers add.
const std::set<std::string> kSystem{"cos", "floor", "ceil", "log10", "sprintf", "memset", "memcpy"};
bool from_toolchain(const std::string &name) {
    for (const char *prefix : {"__asan", "__ubsan", "__sanitizer", "__lsan", "_ITM_", "__gmon_start__",
                               "__cxa_finalize", "__stack_chk_fail"})
        if (name.rfind(prefix, 0) == 0) return true;
    return false;
}

// name -> nm's type letter, from `nm -D` of the module.
std::map<std::string, char> dynamic_symbols(const std::string &path) {
    std::map<std::string, char> symbols;
    FILE *p = popen(("nm -D '" + path + "'").c_str(), "r");
    if (!p) return symbols;
    char line[512];
    while (std::fgets(line, sizeof line, p)) {
        std::string l(line);
        while (!l.empty() && (l.back() == '\n' || l.back() == ' ')) l.pop_back();
        // "<value> T name" or "                 U name"
        const std::size_t nameAt = l.rfind(' ');
        if (nameAt == std::string::npos || nameAt < 2) continue;
        std::string name = l.substr(nameAt + 1);
        name = name.substr(0, name.find('@')); // drop symbol versions: cos@GLIBC_2.2.5
        symbols[name] = l[nameAt - 1];
    }
    pclose(p);
    return symbols;
}

TEST(ModuleSymbols, ExportsOnlyTheEntryPointAndImportsTheHostOperations) {
    const auto symbols = dynamic_symbols(VIBREL_MODULE_PATH);
    ASSERT_FALSE(symbols.empty()) << "nm -D gave nothing for " << VIBREL_MODULE_PATH;
    std::set<std::string> defined;
    for (const auto &[name, type] : symbols)
        if (type != 'U' && type != 'w' && type != 'v') defined.insert(name);
    EXPECT_EQ(defined, std::set<std::string>{"main"});
    EXPECT_EQ(symbols.at("main"), 'T');

    for (const std::string &op : kCalled) {
        ASSERT_TRUE(symbols.count(op)) << op << " is not imported";
        EXPECT_EQ(symbols.at(op), 'U') << op;
    }
    for (const auto &[name, type] : symbols) {
        if (type != 'U' || kHostOperations.count(name) || kSystem.count(name) || from_toolchain(name)) continue;
        ADD_FAILURE() << "unexpected import " << name;
    }
}

} // namespace
