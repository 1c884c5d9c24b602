#include "qirn_actoranimation.h"

#include "qirn_animationsequence.h"
#include "qirn_debug.h"
#include "qirn_settings.h"
#include "qirn_xfile_templates.h"

#include <windows.h>

#include <dxfile.h>

#include <vector>

namespace
{
std::string ObjectName(IDirectXFileData* poData)
{
    DWORD dwSize = 0;
    if (FAILED(poData->GetName(nullptr, &dwSize)) || dwSize == 0)
    {
        return std::string();
    }
    std::vector<char> buffer(dwSize + 1, '\0');
    if (FAILED(poData->GetName(buffer.data(), &dwSize)))
    {
        return std::string();
    }
    return std::string(buffer.data());
}

// The frame an Animation child names, by reference or inline; empty for any other child.
std::string FrameNameOf(IDirectXFileObject* poChild)
{
    QIRN_ComRef<IDirectXFileData> poData;
    QIRN_ComRef<IDirectXFileDataReference> poReference;
    if (SUCCEEDED(poChild->QueryInterface(IID_IDirectXFileDataReference,
                                          reinterpret_cast<void**>(poReference.Out()))) &&
        poReference.Get())
    {
        if (SUCCEEDED(poReference->Resolve(poData.Out())) && QIRN_IsXFileType(poData.Get(), QIRN_TID_FRAME))
        {
            return ObjectName(poData.Get());
        }
        return std::string();
    }
    if (SUCCEEDED(poChild->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(poData.Out()))) &&
        QIRN_IsXFileType(poData.Get(), QIRN_TID_FRAME))
    {
        return ObjectName(poData.Get());
    }
    return std::string();
}

// Before the first track of a greater kind: the list stays in composition order.
void InsertByKind(QIRN_AnimationSequenceList& roSequences, QIRN_AnimationSequence* poSequence)
{
    auto it = roSequences.begin();
    while (it != roSequences.end() && (*it)->GetKeyKind() <= poSequence->GetKeyKind())
    {
        ++it;
    }
    roSequences.insert(it, poSequence);
}

void ParseAnimation(IDirectXFileData* poAnimation, QIRN_AnimationSequenceList& roSequences,
                    std::string& szFrameName)
{
    QIRN_AnimationSequence* poSequence = nullptr;
    std::string szAnimatedFrame;
    for (;;)
    {
        QIRN_ComRef<IDirectXFileObject> poChild;
        if (FAILED(poAnimation->GetNextObject(poChild.Out())) || !poChild.Get())
        {
            break;
        }
        QIRN_ComRef<IDirectXFileData> poData;
        if (SUCCEEDED(
                poChild->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(poData.Out()))) &&
            QIRN_IsXFileType(poData.Get(), QIRN_TID_ANIMATIONKEY))
        {
            // Only the last key of an Animation counts.
            delete poSequence;
            poSequence = QIRN_ParseAnimationKey(poData.Get());
            continue;
        }
        std::string szName = FrameNameOf(poChild.Get());
        if (!szName.empty())
        {
            szAnimatedFrame = szName;
            if (szFrameName.empty())
            {
                szFrameName = szName;
            }
        }
    }
    if (!poSequence)
    {
        dprintf("QIRN_XFILE::ParseAnimationSetEx()- ERROR - Couldn't load animation keyframes.\n");
        return;
    }
    if (szAnimatedFrame != szFrameName)
    {
        delete poSequence;
        return;
    }
    InsertByKind(roSequences, poSequence);
}

void ParseAnimationSet(IDirectXFileData* poAnimationSet, QIRN_AnimationSequenceList& roSequences,
                       std::string szFrameName)
{
    for (;;)
    {
        QIRN_ComRef<IDirectXFileObject> poChild;
        if (FAILED(poAnimationSet->GetNextObject(poChild.Out())) || !poChild.Get())
        {
            break;
        }
        QIRN_ComRef<IDirectXFileData> poAnimation;
        if (SUCCEEDED(
                poChild->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(poAnimation.Out()))) &&
            QIRN_IsXFileType(poAnimation.Get(), QIRN_TID_ANIMATION))
        {
            ParseAnimation(poAnimation.Get(), roSequences, szFrameName);
        }
    }
}
} // namespace

int QIRN_LoadAnimationSequences(std::string szFileName, std::string szFrameName,
                                QIRN_AnimationSequenceList& roSequences)
{
    dprintf("*** QIRN_XFILE::LoadAnimationSequences(): Loading %s.\n", szFileName.c_str());
    std::string szPath = QIRN_FindFile(szFileName, "");
    if (szPath.empty())
    {
        dprintf("*** QIRN_XFILE::LoadAnimationSequences() - QIRN_FindFile() FAILED\n");
        return 1;
    }
    QIRN_ComRef<IDirectXFile> poDXFile;
    if (FAILED(DirectXFileCreate(poDXFile.Out())) || !poDXFile.Get())
    {
        dprintf("*** QIRN_XFILE::LoadAnimationSequence() - DirectXFileCreate() FAILED\n");
        return 1;
    }
    if (FAILED(QIRN_RegisterXFileTemplates(poDXFile.Get())))
    {
        dprintf("*** QIRN_XFILE::LoadAnimationSequence() - m_poDXFile->RegisterTemplates() FAILED\n");
        return 1;
    }
    QIRN_ComRef<IDirectXFileEnumObject> poEnum;
    if (FAILED(poDXFile->CreateEnumObject(const_cast<char*>(szPath.c_str()), DXFILELOAD_FROMFILE,
                                          poEnum.Out())) ||
        !poEnum.Get())
    {
        dprintf("*** QIRN_XFILE::LoadAnimationSequence() - m_poDXFile->CreateEnumObject() FAILED\n");
        return 1;
    }
    HRESULT hr = QIRN_ForEachXFileObject(poEnum.Get(),
                                         [&](IDirectXFileData* poData)
                                         {
                                             if (QIRN_IsXFileType(poData, QIRN_TID_ANIMATIONSET))
                                             {
                                                 ParseAnimationSet(poData, roSequences, szFrameName);
                                             }
                                         });
    if (hr != DXFILEERR_NOMOREOBJECTS)
    {
        return 1;
    }
    dprintf("*** QIRN_XFILE::LoadAnimationSequences(): Load successful.\n");
    return 0;
}
