#pragma once
// Shared by the engine folder's tests: a console test fixture with its own working folder and
// settings file.

#include "qirn_console.h"
#include "qirn_engine.h"
#include "qirn_settings.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace engine_test
{
class ConsoleTest : public testing::Test
{
protected:
    void SetUp() override { WriteSettings(""); }

    // A settings file of this folder, so that file searches start here.
    void WriteSettings(const std::string& strText)
    {
        qirn_test::WriteFile("test.ini", strText);
        QIRN_InitEnginePath(m_oDir.Path() + "\\test.ini");
    }

    QIRN_Console& Console() { return *m_poConsole; }
    std::string Line(uint32_t dwLine) const { return m_poConsole->m_aszLines[dwLine]; }
    // The line the last Print ended on.
    std::string LastLine() const { return Line(m_poConsole->m_dwCurrentLine - 1); }

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
    QIRN_Engine m_oEngine;
    std::unique_ptr<QIRN_Console> m_poConsole = std::make_unique<QIRN_Console>(&m_oEngine);
};
} // namespace engine_test
