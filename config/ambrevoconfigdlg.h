#pragma once
// The settings dialog: display mode, refresh rate, texture quality and antialiasing, saved to the
// settings file the scene client reads; it can also start the client.

#include "afxwin.h"
#include "resource.h"

// Draws an icon in the middle of a client rectangle (how a minimised dialog shows itself).
void DrawIconCentred(CDC& dc, const RECT& rcClient, HICON hIcon);

class CAmbrevoConfigDlg : public CDialog
{
public:
    enum
    {
        IDD = IDD_AMBREVOCONFIG_DIALOG
    };

    explicit CAmbrevoConfigDlg(CWnd* pParent = nullptr);
    ~CAmbrevoConfigDlg() override;

    // Puts the settings file's choices (or the defaults) into the controls.
    void LoadSettings();
    // Writes the controls' choices to the settings file; shows the error box and answers false
    // when it cannot be written.
    bool SaveSettings();
    // Lists the refresh rates of the chosen display mode, highest first, and selects the first.
    void FillRefreshRateList();

    HICON GetIcon() const { return m_hIcon; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnRunButton();
    void OnSelchangeDisplayMode();
    // Gives the banner control its picture drawn at the control's own size.
    void FitBanner();

    DECLARE_MESSAGE_MAP()

    HICON m_hIcon;
    // The banner scaled to its control; the dialog deletes it.
    HBITMAP m_hBanner = nullptr;
    CComboBox m_ctlDisplayMode;
    CComboBox m_ctlRefreshRate;
    CComboBox m_ctlVideoMemory;
    CButton m_ctlAntiAliasing;

    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nBitDepth = 32;
    int m_nFrequency = 0;
    int m_nAntiAliasing = 0;
    int m_nHighResTextures = 1;
};
