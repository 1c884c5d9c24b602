qirn_world_version2.0
{
    WorldName { Ambrevo }
    ResetTime { 95 }
    LoopWorld { 1 }
    TimeScale { 1.0 }
    Gravity { 0 -9.8 0 1 }
    Wind { 2 0 1 1 }
    Bookmarks
    {
        Bookmark { 0 }
        Bookmark { 24 }
        Bookmark { 48 }
        Bookmark { 72 }
    }
    DataBunnyManager
    {
        xfile { pulse.x }
    }

    QIRN_Fog
    {
        Name { Fog01_Murk }
        // Linear fog in the deep blue of the sky box's middle band.
        FogMode { 2 }
        VertexFog { 1 }
        RangeBasedFog { 1 }
        Color { 20 76 128 255 }
        StartDistance { 150 }
        EndDistance { 1400 }
        Density { 0.002 }
    }
    QIRN_CameraActor
    {
        Name { Cam01_Reef }
        Position { 60 30 -260 1 }
        PrimaryOrientationMode { 2 }
        LookAt { 0 0 0 1 }
        FOV { 60 }
        Near { 1 }
        Far { 5000 }
    }
    QIRN_CameraActor
    {
        Name { Cam02_Glide }
        // Glides along the front of the reef and back once a loop, looking in and a little down.
        // Turned by its rotation (degrees: x pitch, y yaw, z roll), moved by its path.
        Position { 0 30 -240 1 }
        AnimationFilename { glidepath.x }
        PrimaryOrientationMode { 3 }
        Rotation { 9 0 0 1 }
        FOV { 55 }
        Near { 1 }
        Far { 5000 }
    }
    QIRN_CameraActor
    {
        Name { Cam03_Drift }
        // Low over the sand, towards the kelp and back.
        Position { -150 -8 -200 1 }
        AnimationFilename { driftpath.x }
        PrimaryOrientationMode { 3 }
        Rotation { 4 0 0 1 }
        FOV { 65 }
        Near { 1 }
        Far { 5000 }
    }
    QIRN_CameraActor
    {
        Name { Cam04_SharkFollow }
        // Swims beside the shark on the shark's own path, 110 units to its side and looking at it.
        Position { -10 35 -110 1 }
        AnimationFilename { sharkpath.x }
        PrimaryOrientationMode { 3 }
        Rotation { 5 0 0 1 }
        FOV { 50 }
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
    QIRN_BaseActor
    {
        Name { Mark01_Lantern }
        // A bare place in the scene: the lantern light is kept on it by a relationship.
        Position { 45 -8 20 1 }
    }
    QIRN_SkyBoxActor
    {
        Name { Sky01_Water }
        ShaderAssignment { skybox.SkyBox.SkyWalls.SkyWater { SkyGradient } }
        MeshFilename { skybox.x }
    }
    QIRN_MeshActor
    {
        Name { Seabed01_Sand }
        Position { 0 0 0 1 }
        ShaderAssignment { seabed.Seabed.SeabedSand.Sand { SeabedFogged } }
        MeshFilename { seabed.x }
    }
    QIRN_MeshActor
    {
        Name { Rocks01 }
        Position { 0 0 0 1 }
        ShaderAssignment { rocks.Rocks.RockPile.Rock { rocks.Rocks.RockPile.Rock } }
        MeshFilename { rocks.x }
    }
    QIRN_MeshActor
    {
        Name { Kelp01_Forest }
        Position { 0 0 0 1 }
        ShaderAssignment { kelp.Kelp.KelpRibbons.Kelp { kelp.Kelp.KelpRibbons.Kelp } }
        MeshFilename { kelp.x }
    }
    QIRN_MeshActor
    {
        Name { Kelp02_Giant }
        // Three stalks of giant kelp beside the rocks, swaying on their bones; the model is made
        // in the world's space.
        Position { 0 0 0 1 }
        ShaderAssignment { kelpstalks.KelpStalks.KelpStalkBlades.GiantKelp { GiantKelpSkin } }
        MeshFilename { kelpstalks.x }
    }
    QIRN_MeshActor
    {
        Name { Fish01_School }
        // One of a school of five crossing behind the reef; its swim cycle runs out of step with
        // the others'.
        Position { 0 15 120 1 }
        Scale { 1.5 1.5 1.5 1 }
        AnimationOffset { 0 }
        AnimationFilename { schoolpath.x }
        ShaderAssignment
        {
            fish.Fish.FishSkin.FishScales { FishSkin }
            fish.Fish.FishSkin.FishFins { FishFins }
        }
        MeshFilename { fish.x }
    }
    QIRN_MeshActor
    {
        Name { Fish02_School }
        // One of a school of five crossing behind the reef; its swim cycle runs out of step with
        // the others'.
        Position { -14 23 130 1 }
        Scale { 1.5 1.5 1.5 1 }
        AnimationOffset { 0.37 }
        AnimationFilename { schoolpath.x }
        ShaderAssignment
        {
            fish.Fish.FishSkin.FishScales { FishSkin }
            fish.Fish.FishSkin.FishFins { FishFins }
        }
        MeshFilename { fish.x }
    }
    QIRN_MeshActor
    {
        Name { Fish03_School }
        // One of a school of five crossing behind the reef; its swim cycle runs out of step with
        // the others'.
        Position { -12 8 111 1 }
        Scale { 1.5 1.5 1.5 1 }
        AnimationOffset { 0.71 }
        AnimationFilename { schoolpath.x }
        ShaderAssignment
        {
            fish.Fish.FishSkin.FishScales { FishSkin }
            fish.Fish.FishSkin.FishFins { FishFins }
        }
        MeshFilename { fish.x }
    }
    QIRN_MeshActor
    {
        Name { Fish04_School }
        // One of a school of five crossing behind the reef; its swim cycle runs out of step with
        // the others'.
        Position { -28 17 118 1 }
        Scale { 1.5 1.5 1.5 1 }
        AnimationOffset { 0.18 }
        AnimationFilename { schoolpath.x }
        ShaderAssignment
        {
            fish.Fish.FishSkin.FishScales { FishSkin }
            fish.Fish.FishSkin.FishFins { FishFins }
        }
        MeshFilename { fish.x }
    }
    QIRN_MeshActor
    {
        Name { Fish05_School }
        // One of a school of five crossing behind the reef; its swim cycle runs out of step with
        // the others'.
        Position { -26 27 134 1 }
        Scale { 1.5 1.5 1.5 1 }
        AnimationOffset { 0.55 }
        AnimationFilename { schoolpath.x }
        ShaderAssignment
        {
            fish.Fish.FishSkin.FishScales { FishSkin }
            fish.Fish.FishSkin.FishFins { FishFins }
        }
        MeshFilename { fish.x }
    }
    QIRN_MeshActor
    {
        Name { Slate01_ReefView }
        // A stone slate near the rocks whose screen shows what the current camera sees.
        Position { -30 -36 -150 1 }
        ShaderAssignment
        {
            slate.Slate.SlateStone.Stone { slate.Slate.SlateStone.Stone }
            slate.Slate.SlateStone.Screen { SlateScreen }
        }
        MeshFilename { slate.x }
    }
    QIRN_MeshActor
    {
        Name { [Sort:05]_Fish_Shark_01 }
        // Swims across the reef once per loop along its path.
        Position { -10 25 0 1 }
        AnimationFilename { sharkpath.x }
        ShaderAssignment
        {
            shark.Shark.SharkBody.SharkSkin { SharkSkin }
            shark.Shark.SharkBody.SharkBelly { SharkSkin }
        }
        MeshFilename { shark.x }
        Render { 1 }
    }
    QIRN_MeshActor
    {
        Name { [Sort:05]_Coral_Pinky }
        Position { 40 -36 30 1 }
        ShaderAssignment { coral.Coral.CoralBranches.CoralPink { coral.Coral.CoralBranches.CoralPink } }
        MeshFilename { coral.x }
        Render { 0 }
    }
    QIRN_LightActor
    {
        Name { Light01_Sun }
        Type { 3 }
        Direction { 0.3 -1 0.2 0 }
        // Light colours are 0 to 255 per channel.
        Diffuse { 210 225 255 255 }
        Ambient { 70 95 120 255 }
    }
    QIRN_LightActor
    {
        Name { Light02_Lantern }
        // A warm glow over the coral, fading within a few dozen units.
        Type { 1 }
        Position { 45 -10 20 1 }
        Diffuse { 255 170 90 255 }
        Specular { 255 200 150 255 }
        Ambient { 0 0 0 255 }
        Range { 160 }
        Attenuation0 { 1 }
        Attenuation1 { 0.01 }
        Attenuation2 { 0 }
    }
    QIRN_LightActor
    {
        Name { Light03_Shaft }
        // A shaft of light from the surface onto the kelp; the angles are in radians.
        Type { 2 }
        Position { -170 160 80 1 }
        Direction { 0 -1 0 0 }
        Diffuse { 150 200 230 255 }
        Ambient { 0 0 0 255 }
        Range { 500 }
        Falloff { 1 }
        Attenuation0 { 1 }
        Attenuation1 { 0 }
        Attenuation2 { 0 }
        Theta { 0.35 }
        Phi { 0.8 }
    }
    QIRN_ParticleAttractorActor
    {
        Name { Attractor01_Surface }
        // A slow pull that swells and ebbs, drawing the bubbles up and sideways.
        Position { 30 400 40 1 }
        Type { 2 }
        ConstantPower { 40000 }
    }
    QIRN_ParticleEmitterActor
    {
        Name { Emitter01_Bubbles }
        Position { 40 -30 30 1 }
        Type { 2 }
        NumParticles { 120 }
        EmissionRate { 12 }
        Lifetime { 8 }
        LifetimeVariance { 2 }
        InitialVelocity { 0 18 0 1 }
        VelocityVariance { 4 3 0 1 }
        Mass { 0.5 }
        UseWorldGravity { 0 }
        UseWorldWind { 1 }
        Friction { 0.5 }
        InitialSize { 1.0 }
        SizeVariance { 0.4 }
        FinalSize { 3.0 }
        InitialColor { 200 230 255 200 }
        FinalColor { 230 245 255 0 }
        Attractor { Attractor01_Surface }
    }
    QIRN_ParticleEmitterActor
    {
        Name { Emitter02_KelpTip }
        // A trickle of bubbles from the tip of a giant kelp stalk, which a relationship keeps it on.
        Position { 82 90 -4 1 }
        Type { 2 }
        NumParticles { 40 }
        EmissionRate { 4 }
        Lifetime { 9 }
        LifetimeVariance { 2 }
        InitialVelocity { 0 12 0 1 }
        VelocityVariance { 2 2 2 1 }
        Mass { 0.5 }
        UseWorldGravity { 0 }
        UseWorldWind { 1 }
        Friction { 0.5 }
        InitialSize { 1.2 }
        SizeVariance { 0.4 }
        FinalSize { 3.0 }
        InitialColor { 210 235 255 220 }
        FinalColor { 230 245 255 0 }
        Attractor { Attractor01_Surface }
    }
    QIRN_LogoActor
    {
        Name { Logo01_Badge }
        // Low on the right, 16 units ahead of the camera: x and y shift it in view space and again on
        // the screen (in units of half the screen), so they are small.
        Position { 0.67 -0.58 16 1 }
        ShaderAssignment { logo.Logo.LogoBadge.Badge { LogoBadge } }
        MeshFilename { logo.x }
    }
    QIRN_CustomActor
    {
        Name { Marker01_Sample }
        // The sample plug-in's square in the top left corner: x, y and size in pixels, then red,
        // green and blue. The plug-in asks for two shader slots, given here before it loads.
        ShaderAssignment
        {
            Marker { SampleMarker }
            Outline { SampleMarker }
        }
        DLLFilename { qirn_sampleactor.dll }
        Arg { 14 }
        Arg { 14 }
        Arg { 6 }
        Arg { 245 }
        Arg { 160 }
        Arg { 50 }
    }
    QIRN_RelationshipObject
    {
        Name { Rel01_ReefCamWatchesShark }
        DependantActorName { Cam01_Reef }
        LookAtTargetActorName { [Sort:05]_Fish_Shark_01 }
    }
    QIRN_RelationshipObject
    {
        Name { Rel03_BubblesOnTheKelpTip }
        DependantActorName { Emitter02_KelpTip }
        PositionTargetActorName { Kelp02_Giant }
        PositionTargetBoneName { Stalk1_Bone4 }
    }
    QIRN_RelationshipObject
    {
        Name { Rel02_LanternOnItsMark }
        DependantActorName { Light02_Lantern }
        PositionTargetActorName { Mark01_Lantern }
    }
    QIRN_CameraActor
    {
        Name { Cam09_TalkingHeads }
        // In front of the two talking heads, the diver on the left and the dweller on the right.
        Position { 301 6 -372 1 }
        PrimaryOrientationMode { 2 }
        LookAt { 301 2 -300 1 }
        FOV { 60 }
        Near { 1 }
        Far { 5000 }
    }
    QIRN_LightActor
    {
        Name { Light09_HeadLamp }
        // A spot above the heads' camera on their faces, its cone too narrow to reach the sand. It
        // stands ahead of the logo, which therefore keeps its own colours, and has no specular part.
        Type { 2 }
        Position { 301 30 -340 1 }
        Direction { 0 -0.45 1 0 }
        Diffuse { 255 240 220 255 }
        Specular { 0 0 0 255 }
        Ambient { 0 0 0 255 }
        Range { 200 }
        Falloff { 1 }
        Attenuation0 { 1 }
        Theta { 0.7 }
        Phi { 1.2 }
    }
    QIRN_LipSyncActor
    {
        Name { Head01_Diver }
        // The mesh and the sync file come before the viseme file, which poses only the visemes
        // that the sync file names.
        Position { 282 0 -300 1 }
        MeshFilename { diverhead.x }
        SyncFilename { diver.sync }
        VisemeFilename { diverhead.cpa }
        SoundFilename { diver.wav }
        InterpolationType { 0 }
    }
    QIRN_DigiMaskActor
    {
        Name { Head02_Dweller }
        // The tesselation factor comes before the face model it thins.
        Position { 322 2 -300 1 }
        TesselationFactor { 1.0 }
        DMKFilename { dwellerhead.dmk }
        SyncFilename { dweller.sync }
        SoundFilename { dweller.wav }
        InterpolationType { 1 }
    }
}
