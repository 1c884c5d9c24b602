#include "ccombobox.h"

int CComboBox::AddString(LPCSTR lpszString)
{
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszString)));
}

void CComboBox::ResetContent()
{
    SendMessage(CB_RESETCONTENT);
}

int CComboBox::GetCount() const
{
    return static_cast<int>(SendMessage(CB_GETCOUNT));
}

int CComboBox::GetCurSel() const
{
    return static_cast<int>(SendMessage(CB_GETCURSEL));
}

int CComboBox::SetCurSel(int nSelect)
{
    return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect)));
}

int CComboBox::GetLBTextLen(int nIndex) const
{
    return static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex)));
}

int CComboBox::GetLBText(int nIndex, LPSTR lpszText) const
{
    return static_cast<int>(
        SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszText)));
}

void CComboBox::GetLBText(int nIndex, std::string& rString) const
{
    rString.clear();
    int nLength = GetLBTextLen(nIndex);
    if (nLength == CB_ERR)
    {
        return;
    }
    // CB_GETLBTEXTLEN may count more than the text holds (it can answer a multibyte bound).
    std::string szBuffer(static_cast<size_t>(nLength) + 1, '\0');
    int nCopied = GetLBText(nIndex, &szBuffer[0]);
    if (nCopied > 0)
    {
        rString.assign(szBuffer.c_str(), static_cast<size_t>(nCopied));
    }
}

int CButton::GetCheck() const
{
    return static_cast<int>(SendMessage(BM_GETCHECK));
}

void CButton::SetCheck(int nCheck)
{
    SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck));
}
