#pragma once
// Combo box and button controls as the dialog sees them: thin calls on the control's window.

#include "cwnd.h"

#include <string>

class CComboBox : public CWnd
{
public:
    int AddString(LPCSTR lpszString);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int nSelect);
    int GetLBTextLen(int nIndex) const;
    int GetLBText(int nIndex, LPSTR lpszText) const;
    // The item's text; empty when the index is out of range.
    void GetLBText(int nIndex, std::string& rString) const;
};

class CButton : public CWnd
{
public:
    int GetCheck() const;
    void SetCheck(int nCheck);
};
