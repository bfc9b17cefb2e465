// velmora-cli itself: a small program without Qt. "velmora-cli home", which scripts run to find
// the program's files, is answered here; every other command runs in velmora-cli-core.so, opened
// with dlopen, so that only they pay for loading Qt (about 15 ms on a small machine). The home
// folder is found as HomeFolder::resolve finds it; anything but plain ASCII in the variables it
// reads is left to the Qt code, which decodes them by the locale.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kMaxPath = 4096;
constexpr char kCoreName[] = "velmora-cli-core.so";

// A bounded path buffer; ok turns false when a path does not fit, and the caller gives up.
struct Path {
    char text[kMaxPath] = {};
    size_t size = 0;
    bool ok = true;

    void append(const char* s, size_t n)
    {
        if (!ok || size + n >= kMaxPath) {
            ok = false;
            return;
        }
        std::memcpy(text + size, s, n);
        size += n;
        text[size] = '\0';
    }
    void append(const char* s) { append(s, std::strlen(s)); }
};

bool plainAscii(const char* s)
{
    for (; *s; ++s)
        if (static_cast<unsigned char>(*s) < 0x20 || static_cast<unsigned char>(*s) >= 0x7f)
            return false;
    return true;
}

bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDotDot(const char* s, size_t n)
{
    return n == 2 && s[0] == '.' && s[1] == '.';
}

// QDir::cleanPath for Unix paths: no empty or "." segments, ".." takes away the segment before
// it where there is one (and stays otherwise, above the root too), no trailing slash.
Path cleanPath(const char* in)
{
    const char* start[kMaxPath / 2];
    size_t length[kMaxPath / 2];
    size_t count = 0;
    for (const char* p = in; *p;) {
        while (*p == '/')
            ++p;
        const char* s = p;
        while (*p && *p != '/')
            ++p;
        const size_t n = static_cast<size_t>(p - s);
        if (n == 0 || (n == 1 && s[0] == '.'))
            continue;
        if (isDotDot(s, n) && count > 0 && !isDotDot(start[count - 1], length[count - 1])) {
            --count;
            continue;
        }
        start[count] = s;
        length[count++] = n;
    }
    Path out;
    const bool absolute = in[0] == '/';
    if (absolute)
        out.append("/");
    for (size_t i = 0; i < count; ++i) {
        if (i > 0)
            out.append("/");
        out.append(start[i], length[i]);
    }
    if (out.size == 0 && in[0] != '\0')
        out.append(".");
    return out;
}

// $VELMORA_HOME (trimmed, made absolute), else the per-user data folder
// ($XDG_DATA_HOME, else ~/.local/share) with "velmora"; false to leave it to the Qt code.
bool homeFolder(Path& result)
{
    if (const char* env = std::getenv("VELMORA_HOME")) {
        while (isBlank(*env))
            ++env;
        size_t n = std::strlen(env);
        while (n > 0 && isBlank(env[n - 1]))
            --n;
        if (n > 0) {
            Path raw;
            if (env[0] != '/') {
                char cwd[kMaxPath];
                if (!::getcwd(cwd, sizeof cwd))
                    return false;
                raw.append(cwd);
                raw.append("/");
            }
            raw.append(env, n);
            if (!raw.ok || !plainAscii(raw.text))
                return false;
            result = cleanPath(raw.text);
            return result.ok;
        }
    }
    Path data;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg) {
        data.append(xdg);
    } else {
        const char* home = std::getenv("HOME");
        data = cleanPath(home && *home ? home : "/");
        data.append("/.local/share");
    }
    data.append("/velmora");
    if (!data.ok || !plainAscii(data.text))
        return false;
    result = cleanPath(data.text);
    return result.ok;
}

int fail(const char* text, const char* detail)
{
    std::fprintf(stderr, "velmora-cli: %s%s%s\n", text, detail ? ": " : "", detail ? detail : "");
    return 1;
}

// Beside velmora-cli in the build tree; in the library-executables folder once installed.
int runCore(int argc, char* argv[])
{
    char exe[kMaxPath];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return fail("cannot find the program's own folder", nullptr);
    exe[n] = '\0';
    char* slash = std::strrchr(exe, '/');
    *slash = '\0';
    const char* const folders[] = {"/", "/" VELMORA_HELPER_RELATIVE "/"};
    for (const char* sub : folders) {
        Path candidate;
        candidate.append(exe);
        candidate.append(sub);
        candidate.append(kCoreName);
        if (!candidate.ok || ::access(candidate.text, R_OK) != 0)
            continue;
        void* core = ::dlopen(candidate.text, RTLD_LAZY | RTLD_LOCAL);
        if (!core)
            return fail("cannot load velmora-cli-core.so", ::dlerror());
        using Main = int (*)(int, char**);
        const auto run = reinterpret_cast<Main>(::dlsym(core, "velmora_cli_main"));
        if (!run)
            return fail("cannot load velmora-cli-core.so", ::dlerror());
        return run(argc, argv);
    }
    return fail("velmora-cli-core.so is not installed beside velmora-cli; reinstall the program", nullptr);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "home") == 0) {
        Path home;
        if (homeFolder(home)) {
            std::printf("%s\n", home.text);
            return 0;
        }
    }
    return runCore(argc, argv);
}
