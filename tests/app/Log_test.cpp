// Diagnostic log: line format, cut, line ends, last-error rules, countdown, concurrency.
#include "TestSupport.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "win/Util.h"
#include <map>

using namespace qrtest;

TEST(LogFormat, TimeStampUsesEnglishMonthsAndNoBlankBeforeYear)
{
    EXPECT_EQ("Jan 05,2026 07:08:09", LogTimeStamp(1, 5, 2026, 7, 8, 9));
    EXPECT_EQ("Dec 31,1999 23:59:59", LogTimeStamp(12, 31, 1999, 23, 59, 59));
}

TEST(LogFormat, LineLayoutCutAndLineEnds)
{
    EXPECT_EQ("<S>, TID:1, PID:2, GLE:3, hello\r\n", LogLine("S", 1, 2, 3, "hello"));
    EXPECT_EQ("<S>, TID:1, PID:2, GLE:3, ends\n", LogLine("S", 1, 2, 3, "ends\n"));
    std::string longMessage(3000, 'a');
    std::string line = LogLine("S", 1, 2, 3, longMessage);
    EXPECT_EQ("<S>, TID:1, PID:2, GLE:3, " + std::string(2048, 'a') + "\r\n", line);
    // A line feed beyond the cut does not count.
    std::string cutFeed = std::string(2048, 'b') + "\n";
    EXPECT_EQ("<S>, TID:1, PID:2, GLE:3, " + std::string(2048, 'b') + "\r\n", LogLine("S", 1, 2, 3, cutFeed));
    // Never inside a character: "Ω" would end one byte beyond the cut.
    EXPECT_EQ("<S>, TID:1, PID:2, GLE:3, " + std::string(2047, 'c') + "\r\n",
              LogLine("S", 1, 2, 3, std::string(2047, 'c') + "\xCE\xA9"));
}

class LogTest : public ProductTest {};

TEST_F(LogTest, WritesCallersLastErrorAndClearsIt)
{
    WriteLog("the first call creates the log mutex, which sets the last error itself");
    SetLastError(1234);
    WriteLog("first %d", 7);
    EXPECT_EQ(0u, GetLastError());
    std::string text = ReadLog();
    EXPECT_NE(std::string::npos, text.find(", GLE:1234, first 7\r\n")) << text;
    EXPECT_NE(std::string::npos, text.find(", PID:" + std::to_string(GetCurrentProcessId()) + ", ")) << text;
    EXPECT_NE(std::string::npos, text.find("TID:" + std::to_string(GetCurrentThreadId()) + ", ")) << text;
    EXPECT_EQ('<', text[0]);
}

TEST_F(LogTest, OffLeavesLastErrorAndFileAlone)
{
    WriteLog("make sure the mutex exists");
    SetLogSwitch(false);
    DeleteFileA(LogFilePath().c_str());
    SetLastError(55);
    WriteLog("not written");
    EXPECT_EQ(55u, GetLastError());
    EXPECT_FALSE(win::FileExists(LogFilePath()));
    SetLogSwitch(true);
}

TEST_F(LogTest, MessageEndingInLineFeedGetsNoExtraLineEnd)
{
    WriteLog("one\n");
    WriteLog("two");
    std::string text = ReadLog();
    EXPECT_NE(std::string::npos, text.find("one\n<")) << text;
    EXPECT_EQ(std::string::npos, text.find("one\r\n")) << text;
}

TEST_F(LogTest, TracedGuardsTheBodyAndReportsExceptions)
{
    int ran = 0;
    Traced("Demo::Fine", [&] { ++ran; });
    Traced("Demo::Throws", [&] { throw 5; });
    int result = TracedResult("Demo::Result", -1, [&]() -> int { throw 1; });
    EXPECT_EQ(1, ran);
    EXPECT_EQ(-1, result);
    std::vector<std::string> expected = {"Entered Demo::Fine", "\tLeaving Demo::Fine", "Entered Demo::Throws",
                                         "###### Exception in Demo::Throws", "\tLeaving Demo::Throws",
                                         "Entered Demo::Result", "###### Exception in Demo::Result"};
    EXPECT_EQ(expected, LogMessages());
}

TEST_F(LogTest, CountdownSwitchesLogOffAtZero)
{
    struct Case { DWORD log; DWORD count; bool countPresent; DWORD countAfter; DWORD logAfter; };
    const Case cases[] = {
        {1, 5, true, 4, 1},
        {1, 1, true, 0, 0},
        {1, 0, true, 0, 0},
        {1, 0, false, 0xFFFFFFFF, 0},    // missing count: logs this time, switches off, count stays missing
    };
    for (const Case& c : cases) {
        ResetProductKey();
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLog, c.log);
        if (c.countPresent)
            SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount, c.count);
        RunLoggingCountdown();
        EXPECT_EQ(c.countAfter, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount)) << c.count;
        EXPECT_EQ(c.logAfter, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLog)) << c.count;
    }
}

TEST_F(LogTest, TwoProcessesWritingAtOnceGiveWholeLines)
{
    HANDLE a = StartProcess(ToolPath("logwriter"), "A 200");
    HANDLE b = StartProcess(ToolPath("logwriter"), "B 200");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(a, 60000));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(b, 60000));
    KillProcess(a);
    KillProcess(b);
    std::map<char, int> next;
    int lines = 0;
    for (const std::string& message : LogMessages()) {
        ASSERT_EQ(307u, message.size()) << message;
        char tag = message[0];
        int index = std::stoi(message.substr(2, 4));
        EXPECT_EQ(next[tag], index) << "lines of one writer out of order";
        next[tag] = index + 1;
        EXPECT_EQ(std::string(300, tag), message.substr(7)) << "interleaved characters";
        ++lines;
    }
    EXPECT_EQ(400, lines);
}
