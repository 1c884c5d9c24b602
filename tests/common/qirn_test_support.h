#pragma once
// Helpers shared by the test executables: a private working folder per test, a reader of the
// engine log, and small file helpers.

#include <string>
#include <vector>

namespace qirn_test
{
// Creates a fresh folder under the temp folder and makes it the working folder; restores the
// previous working folder and removes the new one (with its content) when destroyed.
class ScopedTempDir
{
public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    const std::string& Path() const { return m_szPath; }

private:
    std::string m_szPath;
    std::string m_szPrevious;
};

// Collects every text the engine log sends to the debugger output while it lives.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& Messages() const { return m_vMessages; }
    std::string All() const;
    bool Contains(const std::string& szText) const;
    size_t Count(const std::string& szText) const;
    void Clear() { m_vMessages.clear(); }

private:
    static void Sink(const char* szText, void* pContext);
    std::vector<std::string> m_vMessages;
};

void WriteFile(const std::string& szPath, const std::string& szContent);
std::string ReadFile(const std::string& szPath);
bool FileExists(const std::string& szPath);
} // namespace qirn_test
