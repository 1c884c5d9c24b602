#pragma once
// Dialog of the framework: made from a dialog template resource, modal (DoModal) or modeless
// (Create), with the template's initial list items filled in and its controls bound to members
// through data exchange.

#include "cwnd.h"

#include <vector>

class CDialog;

// What one UpdateData pass carries to DoDataExchange.
class CDataExchange
{
public:
    CDataExchange(CDialog* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
    {
    }

    BOOL m_bSaveAndValidate;
    CDialog* m_pDlgWnd;
};

// Binds a control member to the dialog's control with this id (once; later passes keep it).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // A modeless dialog still open is destroyed with its object.
    ~CDialog() override;

    // Runs the dialog until EndDialog; answers EndDialog's result, or -1 when the dialog could not
    // be made (a missing template).
    virtual INT_PTR DoModal();
    // Makes the dialog modeless; it shows only when its template says WS_VISIBLE.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    void EndDialog(int nResult);

    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Sends the initial list items of a template's initial-data resource (type 240, named like the
    // template) to its controls. A template without one answers TRUE.
    BOOL ExecuteDlgInit(LPCSTR lpszResourceName);
    // The same from the resource's bytes: records of a control id (16 bits), a message (16 bits), a
    // byte count (32 bits) and that many bytes of text, ended by a zero id. Answers FALSE on a
    // record that runs past the data or that a control refused.
    BOOL ExecuteDlgInit(const void* pData, DWORD cbData);

    void BindControl(CWnd& rControl) { m_vBound.push_back(&rControl); }

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnNcDestroy();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bModal = false;
    std::vector<CWnd*> m_vBound;
};
