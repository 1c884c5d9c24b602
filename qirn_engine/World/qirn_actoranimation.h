#pragma once
// Reads the keyframe animation of one frame of a .x file into an actor's track list. Only the
// file's AnimationSets are looked at: each Animation that references the frame contributes its
// (last) AnimationKey as one track.

#include <list>
#include <string>

class QIRN_AnimationSequence;

typedef std::list<QIRN_AnimationSequence*> QIRN_AnimationSequenceList;

// szFrameName empty: each AnimationSet takes the first frame it references. Tracks are inserted in
// ascending kind order (equal kinds in file order), the order in which they compose. Answers 0,
// or 1 (logged) when the file cannot be found or read; tracks read before a failure stay listed.
int QIRN_LoadAnimationSequences(std::string szFileName, std::string szFrameName,
                                QIRN_AnimationSequenceList& roSequences);
