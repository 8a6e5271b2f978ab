#include "platform/Platform.h"

#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <mutex>

namespace trv::platform {
namespace {

// The codeset of the locale the environment asks for (LC_ALL, LC_CTYPE, LANG),
// independent of whatever locale the host process has switched to.
std::string environmentCodeset()
{
    // glibc guards the locale data it loads and frees with locks of its own, which thread checkers
    // cannot see: hosts converting text on several threads got data-race reports from two
    // threads loading and freeing the same locale. One load at a time keeps them (and any real
    // race in a C library with weaker guards) away; the conversion itself still runs in parallel.
    static std::mutex localeLoading;
    const std::lock_guard<std::mutex> hold(localeLoading);
    locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr))
        loc = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    std::string codeset = loc ? nl_langinfo_l(CODESET, loc) : "ANSI_X3.4-1968";
    if (loc)
        freelocale(loc);
    return codeset;
}

class Converter {
public:
    Converter(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~Converter()
    {
        if (ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

}  // namespace

std::optional<std::u16string> ansiToUtf16(const std::string& ansi)
{
    if (ansi.empty())
        return std::u16string();
    Converter conv("UTF-16LE", environmentCodeset());
    if (!conv.ok())
        return std::nullopt;
    std::string out(ansi.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(ansi.data());
    size_t inLeft = ansi.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    if (iconv(conv.get(), &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1))
        return std::nullopt;
    const size_t bytes = out.size() - outLeft;
    std::u16string result(bytes / 2, u'\0');
    for (size_t i = 0; i < result.size(); ++i)
        result[i] = static_cast<char16_t>(static_cast<unsigned char>(out[2 * i]) |
                                          (static_cast<unsigned char>(out[2 * i + 1]) << 8));
    return result;
}

std::optional<std::string> utf16ToAnsi(const std::u16string& text, bool& usedDefault)
{
    usedDefault = false;
    if (text.empty())
        return std::string();
    Converter conv(environmentCodeset(), "UTF-16LE");
    if (!conv.ok())
        return std::nullopt;
    std::string in(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        in[2 * i] = static_cast<char>(text[i] & 0xFF);
        in[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    std::string result;
    char* src = in.data();
    size_t inLeft = in.size();
    char buffer[256];
    while (inLeft > 0) {
        char* dst = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(conv.get(), &src, &inLeft, &dst, &outLeft);
        result.append(buffer, sizeof buffer - outLeft);
        if (rc != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        if (errno != EILSEQ && errno != EINVAL)
            return std::nullopt;
        // A character the code page lacks: write the default character and skip
        // the character (a surrogate pair counts as one).
        result.push_back(' ');
        usedDefault = true;
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(src[0]) |
                                                (static_cast<unsigned char>(src[1]) << 8));
        size_t skip = (unit >= 0xD800 && unit <= 0xDBFF && inLeft >= 4) ? 4 : 2;
        if (skip > inLeft)
            skip = inLeft;
        src += skip;
        inLeft -= skip;
    }
    return result;
}

}  // namespace trv::platform
