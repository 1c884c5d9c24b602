#pragma once
// BenchHost: drives the engine the way the client does, but for measuring: its own window at a
// fixed size, the frame limiter off, the scene loaded from its plain files, and a fixed stretch of
// world time played at a fixed step, each frame's update, render submission and presentation
// timed apart. The buffer swap of the OpenGL renderer happens inside its frame; the host times it
// through the window's swap call so that it counts as presentation, not as submission.

#include <windows.h>

#include <cstdint>
#include <string>

class QIRN_CameraActor;
class QIRN_Engine;

struct BenchSettings
{
    // QIRN_GRAPHICS_DX8 or QIRN_GRAPHICS_OPENGL.
    int32_t iAPI = 0;
    int32_t iWidth = 1024;
    int32_t iHeight = 768;
    // Windows paths: the Data tree the client reads and the folder of the plain scene files.
    std::string strDataFolder;
    std::string strSceneFolder;
    std::string strWorldFile = "AmbrevoFull.w";
    // Where meshes are found when not in the Data tree's Models folder (empty: there).
    std::string strMeshFolder;
    float fSeconds = 10.0f;
    float fStep = 1.0f / 30.0f;
};

struct BenchTimes
{
    uint32_t uFrames = 0;
    double dWall = 0.0;
    double dUpdate = 0.0;
    double dSubmit = 0.0;
    double dPresent = 0.0;
    // CPU time of the main thread over the stretch (the engine and the driver's work on it).
    double dMainThreadCpu = 0.0;
    // Frames whose render or present answered a failure.
    uint32_t uFailedFrames = 0;
};

class BenchHost
{
public:
    BenchHost();
    ~BenchHost();
    BenchHost(const BenchHost&) = delete;
    BenchHost& operator=(const BenchHost&) = delete;

    // Window, engine, graphics and console; false with a line on stderr when any of them fails.
    bool Start(const BenchSettings& roSettings);
    // Loads the world; the time it took in seconds, or a negative value when the load failed.
    double LoadScene();
    // Renders and presents one frame at the current world time: the frame in which the renderer
    // makes its shaders, textures and meshes. Its time in seconds, negative when it failed.
    double FirstFrame();
    // Plays the stretch from world time 0; frames are counted only once the stretch is done.
    BenchTimes Play();
    // Draws the frame at one world time again and again, timed as Play times its frames: the
    // engine's cost of the very frame a baseline draws.
    BenchTimes Hold(float fTime, uint32_t uFrames);
    // Lets go of the world and what the renderer made of it, and names another scene whose files
    // (world, shaders and meshes) are all in one folder; LoadScene then loads it.
    bool ChangeScene(const std::string& strFolder, const std::string& strWorldFile);
    // Sets the world to a time and renders and presents one frame there.
    bool RenderAt(float fTime);
    // One frame as Play plays it: the engine's update by the fixed step, render and present, then
    // the window's messages. False when the render or the present failed.
    bool PlayFrame();

    QIRN_Engine* GetEngine() const { return m_poEngine; }
    // The world's first camera, which every frame is drawn from (null without a world).
    QIRN_CameraActor* Camera() const;
    HWND GetWindow() const { return m_hWnd; }
    const BenchSettings& GetSettings() const { return m_oSettings; }

    // Seconds from a performance-counter reading to now.
    static double SecondsSince(int64_t iStart);
    static int64_t Now();

private:
    bool MakeWindow();
    // Times uFrames frames, each the engine's update by fStep, render and present.
    BenchTimes TimeFrames(float fStep, uint32_t uFrames);
    bool WriteSettingsFile(const std::string& strPath) const;
    void PumpMessages();

    BenchSettings m_oSettings;
    HWND m_hWnd;
    QIRN_Engine* m_poEngine;
};
