qirn_world_version2.0
{
    WorldName { Ambrevo }
    ResetTime { 95 }
    LoopWorld { 1 }
    TimeScale { 1.0 }

    QIRN_CameraActor
    {
        Name { Cam01_Reef }
        Position { 0 40 -220 1 }
        PrimaryOrientationMode { 2 }
        LookAt { 0 0 0 1 }
        FOV { 60 }
        Near { 1 }
        Far { 5000 }
    }
    QIRN_CameraActor
    {
        Name { FreeCam01 }
        Position { 0 20 -160 1 }
        PrimaryOrientationMode { 3 }
        Rotation { 0 0 0 1 }
        FOV { 60 }
        Near { 1 }
        Far { 5000 }
    }
    QIRN_MeshActor
    {
        Name { [Sort:05]_Fish_Shark_01 }
        Position { -10 25 0 1 }
        MeshFilename { shark.x }
        Render { 1 }
    }
    QIRN_MeshActor
    {
        Name { [Sort:05]_Coral_Pinky }
        Position { 40 -30 30 1 }
        MeshFilename { coral.x }
        Render { 0 }
    }
    QIRN_LightActor
    {
        Name { Light01_Sun }
        Type { 3 }
        Direction { 0.3 -1 0.2 1 }
        Diffuse { 0.8 0.9 1 1 }
        Ambient { 0.2 0.3 0.4 1 }
    }
}
