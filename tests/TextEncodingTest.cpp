// Caller text in every encoding, and the string objects handed back. The encoding is chosen once
// per process, so each case runs in a child process of its own.
#include "ChildProcess.h"
#include "FakeStubs.h"

#include "core/Log.h"
#include "core/Text.h"
#include "core/TorvoString.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using trvtest::FakeManager;
using trvtest::inChild;

namespace {

// What beginScene of a fake manager received for the caller's text, or the error line.
struct Received {
    TRVStatus status;
    std::string text;
};

Received passName(const void* name)
{
    FakeManager manager;
    const TRVStatus status = TRVBeginScene(manager.handle(), name, nullptr);
    return {status, status == 0 ? manager.texts.at(0) : trv::lastError()};
}

TEST(TextEncoding, ChoosingTheEncodingIsOncePerProcess)
{
    inChild([] {
        CHILD_EXPECT_EQ(TRVSetStringEncoding(1), 0);
        CHILD_EXPECT_EQ(TRVSetStringEncoding(1), 0);
        CHILD_EXPECT_EQ(TRVSetStringEncoding(2), 5);
        CHILD_EXPECT_EQ(trv::stringEncoding(), 1);
    });
}

TEST(TextEncoding, Utf8IsTakenAsItIsAndInvalidBytesAreRefused)
{
    inChild([] {
        TRVSetStringEncoding(1);
        const Received ok = passName("caf\xC3\xA9");
        CHILD_EXPECT_EQ(ok.status, 0);
        CHILD_EXPECT_EQ(ok.text, std::string("caf\xC3\xA9"));

        for (const char* bad : {"ab\xFF", "\xC3", "\xE0\x80\x80", "\xED\xA0\x80"}) {
            const Received refused = passName(bad);
            CHILD_EXPECT_EQ(refused.status, 10);
            CHILD_EXPECT_EQ(refused.text, std::string("Unhandled Exception: Invalid UTF-8\n"));
        }
        const Received empty = passName(nullptr);
        CHILD_EXPECT_EQ(empty.status, 0);
        CHILD_EXPECT_EQ(empty.text, std::string());

        // Of two texts, the later one is converted first, so its error is the one reported.
        FakeManager manager;
        CHILD_EXPECT_EQ(TRVReferenceTexture(manager.handle(), "ok", "\xFF", nullptr), 10);
        CHILD_EXPECT_EQ(trv::lastError(), std::string("Unhandled Exception: Invalid UTF-8\n"));
    });
}

TEST(TextEncoding, Utf16IsConvertedAndBrokenSurrogatesOrNonCharactersAreRefused)
{
    inChild([] {
        TRVSetStringEncoding(2);
        const char16_t good[] = {u'c', 0x00E9, 0xD83D, 0xDE00, 0};
        const Received ok = passName(good);
        CHILD_EXPECT_EQ(ok.status, 0);
        CHILD_EXPECT_EQ(ok.text, std::string("c\xC3\xA9\xF0\x9F\x98\x80"));

        // A lead surrogate without its trail is broken UTF-16.
        const char16_t unpairedLead[] = {u'a', 0xD800, 0};
        const char16_t leadThenLetter[] = {0xD800, u'a', 0};
        for (const char16_t* bad : {unpairedLead, leadThenLetter}) {
            const Received refused = passName(bad);
            CHILD_EXPECT_EQ(refused.status, 10);
            CHILD_EXPECT_EQ(refused.text, std::string("Unhandled Exception: Invalid UTF-16\n"));
        }
        // A trail surrogate on its own is a surrogate code point; U+FFFE and U+FFFF are no
        // characters: invalid code points.
        const char16_t loneTrail[] = {0xDC00, 0};
        const char16_t trailThenLetter[] = {u'a', 0xDFFF, u'b', 0};
        const char16_t nonCharacter[] = {0xFFFF, 0};
        const char16_t reversedMark[] = {0xFFFE, 0};
        for (const char16_t* bad : {loneTrail, trailThenLetter, nonCharacter, reversedMark}) {
            const Received refused = passName(bad);
            CHILD_EXPECT_EQ(refused.status, 10);
            CHILD_EXPECT_EQ(refused.text, std::string("Unhandled Exception: Invalid code point\n"));
        }

        // Handed-out strings are 16-bit units with a terminating 0 unit.
        TorvoString success = nullptr;
        TRVErrorToString(0, &success);
        int32_t length = 0;
        TRVGetLength(success, &length);
        CHILD_EXPECT_EQ(length, 8);
        char16_t small[7];
        CHILD_EXPECT_EQ(TRVCopy(success, small, 7), 1);
        CHILD_EXPECT_EQ(trv::lastError(), std::string("Target string is too small. Allocated size: 7 string length 8\n"));
        char16_t units[8];
        CHILD_EXPECT_EQ(TRVCopy(success, units, 8), 0);
        CHILD_EXPECT_EQ(std::u16string(units) == u"Success", true);
        TRVReleaseString(success);
    });
}

TEST(TextEncoding, Utf8StringsReportBytesPlusTerminatorAndNeverOverrunTheTarget)
{
    inChild([] {
        TRVSetStringEncoding(1);
        TorvoString success = nullptr;
        CHILD_EXPECT_EQ(TRVErrorToString(0, &success), 0);
        int32_t length = 0;
        CHILD_EXPECT_EQ(TRVGetLength(success, &length), 0);
        CHILD_EXPECT_EQ(length, 8);

        char buffer[9];
        std::memset(buffer, '#', sizeof buffer);
        CHILD_EXPECT_EQ(TRVCopy(success, buffer, 7), 1);
        CHILD_EXPECT_EQ(trv::lastError(), std::string("Target string is too small. Allocated size: 7 string length 7\n"));
        CHILD_EXPECT_EQ(buffer[0], '#');
        CHILD_EXPECT_EQ(TRVCopy(success, nullptr, 100), 1);
        CHILD_EXPECT_EQ(TRVCopy(success, buffer, -1), 1);
        CHILD_EXPECT_EQ(TRVCopy(success, buffer, 8), 0);
        CHILD_EXPECT_EQ(std::string(buffer), std::string("Success"));
        CHILD_EXPECT_EQ(buffer[8], '#');
        CHILD_EXPECT_EQ(TRVReleaseString(success), 0);
    });
}

TEST(TextEncoding, Utf32IsRefusedAsInputButServedAsOutput)
{
    inChild([] {
        TRVSetStringEncoding(3);
        const char32_t name[] = {U'a', 0};
        const Received refused = passName(name);
        CHILD_EXPECT_EQ(refused.status, 10);
        CHILD_EXPECT_EQ(refused.text, std::string("Unhandled Exception: UTF32 currently not supported\n"));
        // A null text needs no conversion.
        CHILD_EXPECT_EQ(passName(nullptr).status, 0);

        TorvoString success = nullptr;
        CHILD_EXPECT_EQ(TRVErrorToString(0, &success), 0);
        int32_t length = 0;
        TRVGetLength(success, &length);
        CHILD_EXPECT_EQ(length, 8);
        char32_t small[7];
        CHILD_EXPECT_EQ(TRVCopy(success, small, 7), 1);
        CHILD_EXPECT_EQ(trv::lastError(), std::string("Target string is too small. Allocated size: 7 string length8\n"));
        char32_t units[8];
        CHILD_EXPECT_EQ(TRVCopy(success, units, 8), 0);
        CHILD_EXPECT_EQ(std::u32string(units) == U"Success", true);
        TRVReleaseString(success);
    });
}

TEST(TextEncoding, AnUnknownEncodingFailsEveryConversionWithoutCrashing)
{
    inChild([] {
        CHILD_EXPECT_EQ(TRVSetStringEncoding(7), 0);
        const Received refused = passName("a");
        CHILD_EXPECT_EQ(refused.status, 10);
        CHILD_EXPECT_EQ(refused.text, std::string("Unhandled Exception: Invalid String encoding\n"));

        TorvoString text = reinterpret_cast<TorvoString>(0x42);
        CHILD_EXPECT_EQ(TRVErrorToString(0, &text), 10);
        CHILD_EXPECT_EQ(text == nullptr, true);
        CHILD_EXPECT_EQ(trv::lastError(), std::string("Unhandled Exception: Invalid string encoding defined\n"));
        CHILD_EXPECT_EQ(TRVGetExtendErrorInformation(&text), 10);
        CHILD_EXPECT_EQ(TRVSetLogTarget(0, 0, "x"), 10);
    });
}

TEST(TextEncoding, AnsiFollowsTheEnvironmentsCodeset)
{
    // UTF-8 locale: the code page holds every character.
    inChild([] {
        setenv("LC_ALL", "C.UTF-8", 1);
        const Received ok = passName("caf\xC3\xA9");
        CHILD_EXPECT_EQ(ok.status, 0);
        CHILD_EXPECT_EQ(ok.text, std::string("caf\xC3\xA9"));
        CHILD_EXPECT_EQ(passName("").text, std::string());
    });
    // ASCII locale: bytes outside it cannot be read, characters outside it are handed out as spaces.
    inChild([] {
        setenv("LC_ALL", "C", 1);
        const Received ascii = passName("plain");
        CHILD_EXPECT_EQ(ascii.text, std::string("plain"));
        const Received refused = passName("caf\xE9");
        CHILD_EXPECT_EQ(refused.status, 10);
        CHILD_EXPECT_EQ(refused.text, std::string("Unhandled Exception: Failed to convert ansi string to utf16\n"));

        CHILD_EXPECT_EQ(trv::setLogTarget(trv::InfoLog, 3, "/dev/null"), 0);
        std::unique_ptr<trv::FSTorvoString> out = trv::makeString("caf\xC3\xA9 \xF0\x9F\x98\x80!");
        CHILD_EXPECT_EQ(std::string(static_cast<const char*>(out->data())), std::string("caf   !"));
    });
}

TEST(TextEncoding, UnconvertibleOutputIsReportedOnTheInformationLog)
{
    inChild([] {
        setenv("LC_ALL", "C", 1);
        char path[] = "/tmp/torvo-info-XXXXXX";
        const int fd = mkstemp(path);
        close(fd);
        CHILD_EXPECT_EQ(trv::setLogTarget(trv::InfoLog, 3, path), 0);
        trv::makeString("\xC3\xA9");
        trv::makeString("plain");
        CHILD_EXPECT_EQ(trv::setLogTarget(trv::InfoLog, 0, ""), 0);
        FILE* file = std::fopen(path, "rb");
        char buffer[256] = {};
        const size_t n = std::fread(buffer, 1, sizeof buffer - 1, file);
        std::fclose(file);
        unlink(path);
        CHILD_EXPECT_EQ(std::string(buffer, n), std::string("Failed to properly convert utf16 to ansi\r\n"));
    });
}

}  // namespace
