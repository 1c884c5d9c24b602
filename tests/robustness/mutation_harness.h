#pragma once
// Feeds a reader mutated copies of valid files and guards every input: a crash, a hang past the
// time-out, a damaged heap or a wrong answer fails the run, and the input that showed it is written
// beside the test program as "failing.<reader>.<ext>" (a slice's as "failing.<reader>_<k>.<ext>") so that
// it can be replayed and kept as a fixture.

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace robustness
{
// Inputs per reader in one run.
const int INPUTS_PER_READER = 10000;
// One input may take this long before it counts as a hang.
const int MAX_MILLISECONDS_PER_INPUT = 5000;

// What the reader made of one input: empty when the answer is sound, else what was wrong with it.
using Verdict = std::string;

struct Reader
{
    // Names the run in messages.
    std::string szName;
    // The extension of the file the input is written to, and of the failing input.
    std::string szExtension;
    // Binary files get numbers written as bytes; text files get them as words.
    bool bBinary = false;
    // Reads the file of that name (in the working folder), answering its verdict.
    std::function<Verdict(const std::string& szFile)> fnRead;
};

// Makes the mutated inputs from the seeds, always the same ones for the same number.
class Mutator
{
public:
    Mutator(const std::vector<std::string>& vSeeds, bool bBinary, uint32_t dwSeed);

    // The input numbered iInput of iCount: one in ten is a seed cut at a point that moves evenly
    // through the file over the run; the rest carry one to three mutations of the other kinds.
    std::string Make(int iInput, int iCount);

private:
    size_t Pick(size_t n);
    void MutateOnce(std::string& s);
    // The span of a decimal number around or after the position, or false.
    bool FindNumber(const std::string& s, size_t at, size_t& begin, size_t& end);

    std::vector<std::string> m_vSeeds;
    bool m_bBinary;
    std::mt19937 m_oRng;
};

// The share of a reader's inputs that one run reads: every iParts-th input from iPart. A reader
// split over several CTest entries (QIRN_ROBUSTNESS_SLICE="part/parts") reads all its inputs
// between them, side by side, each entry well inside its time-out on a busy machine.
struct Slice
{
    int iPart = 0;
    int iParts = 1;
    bool Holds(int iInput) const { return iInput % iParts == iPart; }
    // How many of iCount inputs this slice reads.
    int Count(int iCount) const { return iCount / iParts + (iPart < iCount % iParts ? 1 : 0); }
};
// The slice of this run: the whole run unless QIRN_ROBUSTNESS_SLICE names a valid one.
Slice CurrentSlice();

struct RunCounts
{
    int iInputs = 0;
    // Inputs the reader answered as loaded.
    int iLoaded = 0;
    double fSeconds = 0.0;
    // The slowest input of the run and its number.
    double fSlowestSeconds = 0.0;
    int iSlowest = -1;
};

// Inputs that take at least this many milliseconds are named in the run's output and written beside
// the test program as "slow.<reader>.<input>.<ext>": QIRN_ROBUSTNESS_SLOW_MS, or none when unset.
int SlowInputMilliseconds();
// The CPU time the process has had so far, user and kernel.
double ProcessCpuSeconds();

// Installs the crash filter and the watchdog once per process.
void InstallGuards();

// Runs one input through the reader under the guards: the verdict, or the fault the guards saw.
// A crash or hang ends the process after writing the input out.
Verdict GuardedRead(const Reader& roReader, const std::string& szInput);

// The folder of the test program, where failing inputs are written.
std::string ProgramFolder();
// Writes the input as "failing.<reader>.<ext>" (or the slice's name) beside the test program; answers
// the path.
std::string KeepFailingInput(const Reader& roReader, const std::string& szInput);

// Feeds the current slice's share of iCount mutated inputs (always made in the same order, so that
// input i is the same whatever the slice); fails the current test at the first fault.
RunCounts FeedMutations(const Reader& roReader, const std::vector<std::string>& vSeeds, uint32_t dwSeed,
                        int iCount = INPUTS_PER_READER);

// Feeds the current slice's share of iCount inputs made by fnMake (input i is always the same input),
// as FeedMutations does for a family of inputs a test makes itself; szFamily names it in messages.
RunCounts FeedInputs(const Reader& roReader, const std::function<std::string(int iInput)>& fnMake,
                     const std::string& szFamily, int iCount = INPUTS_PER_READER);

// Replays every kept fixture of the reader (tests/fixtures/robustness/<name>-*.<ext>); answers how
// many there were.
int ReplayFixtures(const Reader& roReader);

// Counts an answer as loaded for the run's figures.
void CountLoaded();

// Byte helpers for seeds.
void PutU16(std::string& s, uint32_t v);
void PutU32(std::string& s, uint32_t v);
std::string ReadWholeFile(const std::string& szPath);
} // namespace robustness
