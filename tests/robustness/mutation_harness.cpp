// The guards need the stack guarantee of newer systems than the engine asks for.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "mutation_harness.h"

#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

namespace robustness
{
namespace
{
// What the guards know about the input being read; written before the reader starts.
struct Current
{
    const Reader* poReader = nullptr;
    const std::string* pszInput = nullptr;
    std::atomic<int64_t> llDeadline{0}; // steady milliseconds; 0 while no reader runs
};
Current g_oCurrent;
int g_iLoaded = 0;

int64_t NowMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The folder of the program, found once before any reader runs: the crash filter and the watchdog
// may fire while a damaged heap is locked, so they allocate nothing.
char g_szFolder[MAX_PATH * 2] = {0};

const char* ProgramFolderText()
{
    if (!g_szFolder[0])
    {
        GetModuleFileNameA(nullptr, g_szFolder, sizeof(g_szFolder) - 1);
        char* pSlash = std::strrchr(g_szFolder, '\\');
        if (pSlash)
        {
            *pSlash = '\0';
        }
    }
    return g_szFolder;
}

// The slices of a reader run side by side in one folder: each keeps its input under a name of its
// own, numbered as its CTest entry is (robustness_<reader>_<k>).
void FailingPath(const Reader& roReader, char* szPath, size_t nSize)
{
    const Slice oSlice = CurrentSlice();
    if (oSlice.iParts > 1)
    {
        std::snprintf(szPath, nSize, "%s\\failing.%s_%d.%s", ProgramFolderText(), roReader.szName.c_str(),
                      oSlice.iPart + 1, roReader.szExtension.c_str());
        return;
    }
    std::snprintf(szPath, nSize, "%s\\failing.%s.%s", ProgramFolderText(), roReader.szName.c_str(),
                  roReader.szExtension.c_str());
}

void WriteFailingFile(const char* szPath, const std::string& szInput)
{
    HANDLE hFile = CreateFileA(szPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile != INVALID_HANDLE_VALUE)
    {
        DWORD dwWritten = 0;
        WriteFile(hFile, szInput.data(), static_cast<DWORD>(szInput.size()), &dwWritten, nullptr);
        CloseHandle(hFile);
    }
}

// Opened before a run, so the guards write the failing input through a handle they already hold:
// opening a file allocates, which a damaged or locked heap may not allow.
HANDLE g_hFailing = INVALID_HANDLE_VALUE;
char g_szFailingPath[MAX_PATH * 2 + 32] = {0};

void OpenFailingFile(const Reader& roReader)
{
    FailingPath(roReader, g_szFailingPath, sizeof(g_szFailingPath));
    g_hFailing = CreateFileA(g_szFailingPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
}

// After a run: the empty file goes unless the run wrote an input into it.
void CloseFailingFile(bool bKeep)
{
    if (g_hFailing != INVALID_HANDLE_VALUE)
    {
        CloseHandle(g_hFailing);
        g_hFailing = INVALID_HANDLE_VALUE;
        if (!bKeep)
        {
            DeleteFileA(g_szFailingPath);
        }
    }
}

void WriteError(const char* szLine, int iLength)
{
    DWORD dwWritten = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), szLine, static_cast<DWORD>(iLength > 0 ? iLength : 0), &dwWritten,
              nullptr);
}

// The guard line and the input come first, written without allocating; the module of a crash is
// looked up last, since that may wait on a lock the crashed reader holds (the watchdog then ends
// the process).
// One frame of a crash as "module+offset"; false when the address is in no module.
bool WriteFrame(const char* szPrefix, const void* pAddress)
{
    static char s_szModule[MAX_PATH * 2];
    char szLine[MAX_PATH * 3];
    HMODULE hModule = nullptr;
    if (!pAddress ||
        !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(pAddress), &hModule) ||
        !GetModuleFileNameA(hModule, s_szModule, sizeof(s_szModule) - 1))
    {
        return false;
    }
    WriteError(szLine, std::snprintf(szLine, sizeof(szLine), "*** %s %s+0x%llx\n", szPrefix, s_szModule,
                                     static_cast<unsigned long long>(static_cast<const char*>(pAddress) -
                                                                     reinterpret_cast<const char*>(hModule))));
    return true;
}

// The callers of a crash, unwound from its context by the modules' own unwind tables (which need
// no allocation), as far as the unwinding goes or 24 frames.
void WriteCallers(const CONTEXT* poContext)
{
#if defined(_M_X64) || defined(__x86_64__)
    CONTEXT oContext = *poContext;
    for (int iFrame = 0; iFrame < 24; ++iFrame)
    {
        DWORD64 qwImageBase = 0;
        PRUNTIME_FUNCTION poFunction = RtlLookupFunctionEntry(oContext.Rip, &qwImageBase, nullptr);
        if (poFunction)
        {
            PVOID pHandlerData = nullptr;
            DWORD64 qwEstablisher = 0;
            RtlVirtualUnwind(UNW_FLAG_NHANDLER, qwImageBase, oContext.Rip, poFunction, &oContext, &pHandlerData,
                             &qwEstablisher, nullptr);
        }
        else
        {
            // A leaf function: its return address is on top of the stack.
            oContext.Rip = *reinterpret_cast<const DWORD64*>(oContext.Rsp);
            oContext.Rsp += 8;
        }
        if (!oContext.Rip || !WriteFrame("called from", reinterpret_cast<const void*>(oContext.Rip - 1)))
        {
            return;
        }
    }
#else
    (void)poContext;
#endif
}

[[noreturn]] void FailProcess(const char* szWhat, uint32_t dwCode, const void* pAddress = nullptr,
                              const CONTEXT* poContext = nullptr)
{
    static std::atomic<bool> s_bFailing{false};
    if (!s_bFailing.exchange(true))
    {
        const char* szName = g_oCurrent.poReader ? g_oCurrent.poReader->szName.c_str() : "?";
        char szLine[MAX_PATH * 3];
        WriteError(szLine, std::snprintf(szLine, sizeof(szLine),
                                         "\n*** robustness: %s (0x%08x) in the reader \"%s\"; the input is %s\n",
                                         szWhat, static_cast<unsigned>(dwCode), szName,
                                         g_hFailing != INVALID_HANDLE_VALUE ? g_szFailingPath : "(not kept)"));
        if (g_hFailing != INVALID_HANDLE_VALUE && g_oCurrent.pszInput)
        {
            const std::string& szInput = *g_oCurrent.pszInput;
            DWORD dwWritten = 0;
            WriteFile(g_hFailing, szInput.data(), static_cast<DWORD>(szInput.size()), &dwWritten, nullptr);
            FlushFileBuffers(g_hFailing);
        }
        if (WriteFrame("at", pAddress) && poContext)
        {
            WriteCallers(poContext);
        }
    }
    TerminateProcess(GetCurrentProcess(), 3);
    for (;;)
    {
        Sleep(1000);
    }
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* poInfo)
{
    const EXCEPTION_RECORD* poRecord = poInfo ? poInfo->ExceptionRecord : nullptr;
    FailProcess("crash", poRecord ? poRecord->ExceptionCode : 0, poRecord ? poRecord->ExceptionAddress : nullptr,
                poInfo ? poInfo->ContextRecord : nullptr);
}

HANDLE g_hWatchdogReady = nullptr;

// One thread watches every input's deadline: started once, it costs nothing per input.
DWORD WINAPI Watchdog(LPVOID)
{
    // Everything the thread needs is made now: a thread starting late would wait on the heap that a
    // damaged reader may hold.
    char szWarm[64];
    std::snprintf(szWarm, sizeof(szWarm), "%s %08x %lld", "warm", 1u, static_cast<long long>(NowMilliseconds()));
    SetEvent(g_hWatchdogReady);
    for (;;)
    {
        Sleep(20);
        int64_t llDeadline = g_oCurrent.llDeadline.load();
        if (llDeadline != 0 && NowMilliseconds() > llDeadline)
        {
            FailProcess("hang", static_cast<uint32_t>(MAX_MILLISECONDS_PER_INPUT));
        }
    }
}

// Every heap of the process, the C runtime's included, must still be whole.
Verdict CheckHeaps()
{
    HANDLE ahHeaps[64];
    DWORD dwCount = GetProcessHeaps(64, ahHeaps);
    for (DWORD i = 0; i < dwCount && i < 64; ++i)
    {
        if (!HeapValidate(ahHeaps[i], 0, nullptr))
        {
            return "a heap of the process no longer validates";
        }
    }
    if (!HeapValidate(GetProcessHeap(), 0, nullptr))
    {
        return "the process heap no longer validates";
    }
    int iCrt = _heapchk();
    if (iCrt != _HEAPOK && iCrt != _HEAPEMPTY)
    {
        return "the C runtime heap check answers " + std::to_string(iCrt);
    }
    return "";
}
} // namespace

void PutU16(std::string& s, uint32_t v)
{
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void PutU32(std::string& s, uint32_t v)
{
    PutU16(s, v & 0xFFFF);
    PutU16(s, v >> 16);
}

std::string ReadWholeFile(const std::string& szPath)
{
    std::ifstream oIn(szPath, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(oIn)), std::istreambuf_iterator<char>());
}

Mutator::Mutator(const std::vector<std::string>& vSeeds, bool bBinary, uint32_t dwSeed)
    : m_vSeeds(vSeeds), m_bBinary(bBinary), m_oRng(dwSeed)
{
}

size_t Mutator::Pick(size_t n)
{
    return n ? std::uniform_int_distribution<size_t>(0, n - 1)(m_oRng) : 0;
}

bool Mutator::FindNumber(const std::string& s, size_t at, size_t& begin, size_t& end)
{
    auto IsDigit = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = at;
    while (i < s.size() && !IsDigit(s[i]))
    {
        ++i;
    }
    if (i == s.size())
    {
        return false;
    }
    begin = i;
    while (begin > 0 && (IsDigit(s[begin - 1]) || s[begin - 1] == '.' || s[begin - 1] == '-'))
    {
        --begin;
    }
    end = i;
    while (end < s.size() && (IsDigit(s[end]) || s[end] == '.' || s[end] == 'e'))
    {
        ++end;
    }
    return true;
}

void Mutator::MutateOnce(std::string& s)
{
    static const char* const HUGE_WORDS[] = {"4294967295", "2147483647", "2147483648", "99999999999999999999",
                                             "1e39",       "3.4e38",     "65536",      "1e-45"};
    static const char* const NEGATIVE_WORDS[] = {"-1", "-2", "-2147483648", "-65536", "-1e39"};
    static const uint32_t HUGE_DWORDS[] = {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0x10000u, 0x40000000u};
    static const uint32_t NEGATIVE_DWORDS[] = {0xFFFFFFFFu, 0xFFFFFFFEu, 0x80000000u, 0xFFFF0000u};
    const size_t at = Pick(s.size() + 1);
    switch (Pick(11))
    {
    case 0: // a flipped bit
        if (!s.empty())
        {
            size_t i = Pick(s.size());
            s[i] = static_cast<char>(s[i] ^ (1 << Pick(8)));
        }
        break;
    case 1: // an inserted byte
        s.insert(at, 1, static_cast<char>(Pick(256)));
        break;
    case 2: // deleted bytes
        s.erase(std::min(at, s.size()), 1 + Pick(16));
        break;
    case 3: // a duplicated block
        if (!s.empty())
        {
            size_t from = Pick(s.size());
            s.insert(at, s.substr(from, 1 + Pick(256)));
        }
        break;
    case 4: // two blocks swapped
        if (s.size() > 4)
        {
            size_t n = 1 + Pick(std::min<size_t>(128, s.size() / 2));
            size_t a = Pick(s.size() - n + 1);
            size_t b = Pick(s.size() - n + 1);
            if (a > b)
            {
                std::swap(a, b);
            }
            if (a + n <= b)
            {
                std::string szA = s.substr(a, n), szB = s.substr(b, n);
                s.replace(b, n, szA);
                s.replace(a, n, szB);
            }
        }
        break;
    case 5: // a huge number
    case 6: // a negative count
    {
        const bool bHuge = s.size() % 2 == 0 ? Pick(2) == 0 : Pick(2) != 0;
        if (m_bBinary)
        {
            std::string szBytes;
            PutU32(szBytes, bHuge ? HUGE_DWORDS[Pick(5)] : NEGATIVE_DWORDS[Pick(4)]);
            size_t i = std::min(at, s.size());
            s.replace(i, std::min<size_t>(4, s.size() - i), szBytes);
        }
        else
        {
            std::string szWord = bHuge ? HUGE_WORDS[Pick(8)] : NEGATIVE_WORDS[Pick(5)];
            size_t begin = 0, end = 0;
            if (FindNumber(s, at, begin, end))
            {
                s.replace(begin, end - begin, szWord);
            }
            else
            {
                s.insert(at, " " + szWord + " ");
            }
        }
        break;
    }
    case 7: // a long word
        s.insert(at, std::string(Pick(2) ? 300 : 5000, static_cast<char>('A' + Pick(26))));
        break;
    case 8: // a missing brace (or, in binary files, a missing byte at a token boundary)
    {
        size_t i = s.find_first_of(m_bBinary ? std::string("\x0a\x0b", 2) : std::string("{}"), at);
        if (i == std::string::npos)
        {
            i = s.find_first_of(m_bBinary ? std::string("\x0a\x0b", 2) : std::string("{}"));
        }
        if (i != std::string::npos)
        {
            s.erase(i, 1);
        }
        break;
    }
    case 9: // a stray brace
        s.insert(at, Pick(2) ? " { " : " } ");
        break;
    default: // a duplicated line
    {
        size_t from = s.rfind('\n', Pick(s.size() + 1));
        from = from == std::string::npos ? 0 : from + 1;
        size_t to = s.find('\n', from);
        s.insert(std::min(at, s.size()), s.substr(from, to == std::string::npos ? std::string::npos : to - from + 1));
        break;
    }
    }
}

std::string Mutator::Make(int iInput, int iCount)
{
    const std::string& szSeed = m_vSeeds[Pick(m_vSeeds.size())];
    if (iInput % 10 == 0)
    {
        // Cuts move through the whole file over the run, so every region ends a file once.
        const int iCuts = std::max(1, iCount / 10);
        return szSeed.substr(0, szSeed.size() * static_cast<size_t>(iInput / 10) / static_cast<size_t>(iCuts));
    }
    std::string s = szSeed;
    for (size_t n = 1 + Pick(3); n > 0; --n)
    {
        MutateOnce(s);
    }
    return s;
}

std::string ProgramFolder()
{
    return ProgramFolderText();
}

std::string KeepFailingInput(const Reader& roReader, const std::string& szInput)
{
    char szPath[MAX_PATH * 2 + 32];
    FailingPath(roReader, szPath, sizeof(szPath));
    WriteFailingFile(szPath, szInput);
    return szPath;
}

void InstallGuards()
{
    static std::once_flag s_oOnce;
    std::call_once(s_oOnce,
                   []
                   {
                       // Room for the filter to run when a reader overflows its stack.
                       ULONG ulGuarantee = 64 * 1024;
                       SetThreadStackGuarantee(&ulGuarantee);
                       SetUnhandledExceptionFilter(&CrashFilter);
                       ProgramFolderText();
                       SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
                       g_hWatchdogReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
                       HANDLE hThread = CreateThread(nullptr, 0, &Watchdog, nullptr, 0, nullptr);
                       if (hThread)
                       {
                           WaitForSingleObject(g_hWatchdogReady, INFINITE);
                           CloseHandle(hThread);
                       }
                   });
}

void CountLoaded()
{
    ++g_iLoaded;
}

Verdict GuardedRead(const Reader& roReader, const std::string& szInput)
{
    InstallGuards();
    g_oCurrent.poReader = &roReader;
    g_oCurrent.pszInput = &szInput;
    Verdict szVerdict;
    const std::string szFile = "m." + roReader.szExtension;
    qirn_test::WriteFile(szFile, szInput);
    g_oCurrent.llDeadline = NowMilliseconds() + MAX_MILLISECONDS_PER_INPUT;
    try
    {
        szVerdict = roReader.fnRead(szFile);
    }
    catch (const std::exception& e)
    {
        szVerdict = std::string("the reader threw: ") + e.what();
    }
    catch (...)
    {
        szVerdict = "the reader threw";
    }
    // The heap check runs under the watchdog too: a damaged heap may make it loop.
    if (szVerdict.empty())
    {
        szVerdict = CheckHeaps();
    }
    g_oCurrent.llDeadline = 0;
    return szVerdict;
}

double ProcessCpuSeconds()
{
    FILETIME oCreation, oExit, oKernel, oUser;
    if (!GetProcessTimes(GetCurrentProcess(), &oCreation, &oExit, &oKernel, &oUser))
    {
        return 0.0;
    }
    auto Seconds = [](const FILETIME& t)
    { return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7; };
    return Seconds(oKernel) + Seconds(oUser);
}

int SlowInputMilliseconds()
{
    const char* szSlow = std::getenv("QIRN_ROBUSTNESS_SLOW_MS");
    int iMilliseconds = 0;
    if (szSlow && (std::sscanf(szSlow, "%d", &iMilliseconds) != 1 || iMilliseconds <= 0))
    {
        ADD_FAILURE() << "QIRN_ROBUSTNESS_SLOW_MS is \"" << szSlow << "\", not a number of milliseconds";
        iMilliseconds = 0;
    }
    return iMilliseconds;
}

Slice CurrentSlice()
{
    Slice oSlice;
    const char* szSlice = std::getenv("QIRN_ROBUSTNESS_SLICE");
    int iPart = 0, iParts = 0;
    if (szSlice && std::sscanf(szSlice, "%d/%d", &iPart, &iParts) == 2 && iParts > 0 && iPart >= 0 &&
        iPart < iParts)
    {
        oSlice.iPart = iPart;
        oSlice.iParts = iParts;
    }
    else if (szSlice)
    {
        ADD_FAILURE() << "QIRN_ROBUSTNESS_SLICE is \"" << szSlice << "\", not part/parts";
    }
    return oSlice;
}

RunCounts FeedMutations(const Reader& roReader, const std::vector<std::string>& vSeeds, uint32_t dwSeed, int iCount)
{
    if (vSeeds.empty())
    {
        ADD_FAILURE() << "no seeds for " << roReader.szName;
        return RunCounts();
    }
    Mutator oMutator(vSeeds, roReader.bBinary, dwSeed);
    // Every input is made, in order, whatever the slice: the mutator's numbers run on from each.
    return FeedInputs(
        roReader, [&](int iInput) { return oMutator.Make(iInput, iCount); }, "seed " + std::to_string(dwSeed),
        iCount);
}

RunCounts FeedInputs(const Reader& roReader, const std::function<std::string(int iInput)>& fnMake,
                     const std::string& szFamily, int iCount)
{
    RunCounts oCounts;
    const Slice oSlice = CurrentSlice();
    const int iSlowMilliseconds = SlowInputMilliseconds();
    OpenFailingFile(roReader);
    bool bFailed = false;
    const auto start = std::chrono::steady_clock::now();
    const int iLoadedBefore = g_iLoaded;
    for (int i = 0; i < iCount; ++i)
    {
        const std::string szInput = fnMake(i);
        if (!oSlice.Holds(i))
        {
            continue;
        }
        const auto inputStart = std::chrono::steady_clock::now();
        Verdict szVerdict = GuardedRead(roReader, szInput);
        const double fInputSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - inputStart).count();
        ++oCounts.iInputs;
        if (fInputSeconds > oCounts.fSlowestSeconds)
        {
            oCounts.fSlowestSeconds = fInputSeconds;
            oCounts.iSlowest = i;
        }
        if (iSlowMilliseconds > 0 && fInputSeconds * 1000.0 >= iSlowMilliseconds)
        {
            char szPath[MAX_PATH * 2 + 64];
            std::snprintf(szPath, sizeof(szPath), "%s\\slow.%s.%d.%s", ProgramFolderText(), roReader.szName.c_str(), i,
                          roReader.szExtension.c_str());
            WriteFailingFile(szPath, szInput);
            std::printf("[ slow ] %s, input %d of %s: %.0f ms; the input is %s\n", roReader.szName.c_str(), i,
                        szFamily.c_str(), fInputSeconds * 1000.0, szPath);
        }
        if (!szVerdict.empty())
        {
            CloseFailingFile(false);
            bFailed = true;
            ADD_FAILURE() << roReader.szName << ", input " << i << " of " << szFamily << ": " << szVerdict
                          << "; the input is " << KeepFailingInput(roReader, szInput);
            break;
        }
    }
    g_oCurrent.poReader = nullptr;
    g_oCurrent.pszInput = nullptr;
    if (!bFailed)
    {
        CloseFailingFile(false);
    }
    oCounts.iLoaded = g_iLoaded - iLoadedBefore;
    oCounts.fSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("[ robustness ] %s (slice %d of %d): %d inputs, %d loaded, %.1f s (%.1f s of CPU in the process); "
                "the slowest, input %d, %.0f ms\n",
                roReader.szName.c_str(), oSlice.iPart + 1, oSlice.iParts, oCounts.iInputs, oCounts.iLoaded,
                oCounts.fSeconds, ProcessCpuSeconds(), oCounts.iSlowest, oCounts.fSlowestSeconds * 1000.0);
    return oCounts;
}

int ReplayFixtures(const Reader& roReader)
{
    const std::string szFolder = QIRN_ROBUSTNESS_FIXTURES;
    WIN32_FIND_DATAA data;
    const std::string szPattern = szFolder + "\\" + roReader.szName + "-*." + roReader.szExtension;
    HANDLE hFind = FindFirstFileA(szPattern.c_str(), &data);
    int iCount = 0;
    if (hFind == INVALID_HANDLE_VALUE)
    {
        return 0;
    }
    OpenFailingFile(roReader);
    do
    {
        const std::string szInput = ReadWholeFile(szFolder + "\\" + data.cFileName);
        Verdict szVerdict = GuardedRead(roReader, szInput);
        EXPECT_EQ(szVerdict, "") << data.cFileName;
        ++iCount;
    } while (FindNextFileA(hFind, &data));
    FindClose(hFind);
    CloseFailingFile(false);
    g_oCurrent.poReader = nullptr;
    g_oCurrent.pszInput = nullptr;
    return iCount;
}
} // namespace robustness
