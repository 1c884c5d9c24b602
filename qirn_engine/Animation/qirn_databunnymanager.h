#pragma once
// The world's data bunnies. When a world loads, the manager reads the world file's
// "DataBunnyManager" block, opens every .x file listed there with DirectX File and turns each
// animated frame named DataBunny_<name>_<type> into four bunnies, one per key component. It owns
// the bunnies in one name tree per type, answers lookups by name, advances every bunny each frame
// and frees everything when the world closes.

#include "qirn_binarytree.h"
#include "qirn_databunny.h"
#include "qirn_file.h"

#include <string>

struct IDirectXFile;
struct IDirectXFileData;
class QIRN_AnimationSequence;

class QIRN_DataBunnyManager
{
public:
    QIRN_DataBunnyManager();
    virtual ~QIRN_DataBunnyManager();

    QIRN_DataBunnyManager(const QIRN_DataBunnyManager&) = delete;
    QIRN_DataBunnyManager& operator=(const QIRN_DataBunnyManager&) = delete;

    // Creates the DirectX File object with the standard templates (once until ShutDown): 0 / 1.
    int Init();
    // Reads the world file's data-bunny block and builds its bunnies: 0, 1, or 40 for a bad block.
    int Load(std::string strWorldFile);
    // Reads the block after the word "DataBunnyManager": 0, 1 or 40.
    int LoadContents(QIRN_File& oFile);
    // Builds the bunnies of one .x file, read once per world: 0 / 1.
    int LoadDataBunnyXFile(std::string strFileName);
    // 1 when the .x file of this key has been read, else 0.
    int IsXFileLoaded(std::string strFileKey);
    // Builds the bunnies of every Animation of an AnimationSet: 0, or 1 for a NULL set.
    int ParseAnimationSet(IDirectXFileData* poAnimationSet, std::string strFileKey);
    QIRN_AnimationSequence* ParseAnimationKey(IDirectXFileData* poAnimationKey);
    // Files four bunnies for one animated frame: 0 / 1. The sequence stays the caller's.
    int BuildDataBunnies(QIRN_AnimationSequence* poAnimationSequence, std::string strFrameName,
                         std::string strFilename);

    // Exact, case-sensitive names; NULL when absent.
    QIRN_BoolDataBunny* GetBoolDataBunny(std::string strName);
    QIRN_FloatDataBunny* GetFloatDataBunny(std::string strName);
    QIRN_IntDataBunny* GetIntDataBunny(std::string strName);

    // Every bunny, byte, bool, float then int, each tree in ascending name order. Answers 0.
    int Update(float dt);
    void SetTime(float time);
    // Deletes every bunny, forgets the files read and releases the DirectX File object.
    void ShutDown();

    IDirectXFile* m_poDXFile;
    QIRN_BINARYTREE<std::string> m_oXFileTree;
    QIRN_BINARYTREE<QIRN_ByteDataBunny> m_oByteDataBunnyTree;
    QIRN_BINARYTREE<QIRN_BoolDataBunny> m_oBoolDataBunnyTree;
    QIRN_BINARYTREE<QIRN_FloatDataBunny> m_oFloatDataBunnyTree;
    QIRN_BINARYTREE<QIRN_IntDataBunny> m_oIntDataBunnyTree;

private:
    void ParseAnimation(IDirectXFileData* poAnimation, const std::string& strFileKey);
};
