#include "qirn_particleattractoractor.h"
#include "qirn_particleemitteractor.h"
#include "qirn_shader.h"
#include "qirn_test_support.h"
#include "qirn_world.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using world_test::BlockFile;

namespace
{
class ParticleEmitterTest : public world_test::WorldFixture
{
protected:
    void SetUp() override
    {
        WorldFixture::SetUp();
        srand(1234);
    }

    // An emitter of the world (so it sees gravity, wind and attractors), not added to it.
    QIRN_ParticleEmitterActor* MakeEmitter(const std::string& szBlock)
    {
        QIRN_BaseObject* poObject = m_poWorld->CreateObject("", QIRN_CLASS_PARTICLEEMITTERACTOR);
        EXPECT_NE(poObject, nullptr);
        auto* poEmitter = static_cast<QIRN_ParticleEmitterActor*>(poObject);
        m_vOwned.push_back(poEmitter);
        BlockFile file("E { " + szBlock + " }", "emitter" + std::to_string(m_vOwned.size()) + ".txt");
        EXPECT_EQ(poEmitter->Load(file.File()), OK);
        return poEmitter;
    }

    QIRN_ParticleAttractorActor* AddAttractor(const std::string& szName, QIRN_Vector4 vPosition, float fPower)
    {
        QIRN_BaseObject* poObject = m_poWorld->CreateObject(szName, QIRN_CLASS_PARTICLEATTRACTORACTOR);
        auto* poAttractor = static_cast<QIRN_ParticleAttractorActor*>(poObject);
        poAttractor->SetPosition(vPosition);
        poAttractor->SetConstantPower(fPower);
        poAttractor->Update(0.0f);
        EXPECT_EQ(m_poWorld->AddObject(poObject), OK);
        return poAttractor;
    }

    void TearDown() override
    {
        for (QIRN_ParticleEmitterActor* poEmitter : m_vOwned)
        {
            delete poEmitter;
        }
        WorldFixture::TearDown();
    }

    std::vector<QIRN_ParticleEmitterActor*> m_vOwned;
};

QIRN_Particle& First(QIRN_ParticleEmitterActor* poEmitter)
{
    return poEmitter->m_poParticles[0];
}

bool Finite(const QIRN_Vector4& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}

// Live records agree with the live count, none is older than its lifetime, nothing is NaN.
void ExpectSoundPool(const QIRN_ParticleEmitterActor& emitter)
{
    uint32_t dwLive = 0;
    for (uint32_t i = 0; i < emitter.GetNumParticles(); ++i)
    {
        const QIRN_Particle& p = emitter.GetParticles()[i];
        if (!p.m_bAlive)
        {
            continue;
        }
        ++dwLive;
        // A particle born without a lifetime dies at its first step.
        ASSERT_TRUE(p.m_fAge < p.m_fLifetime || p.m_fAge == 0.0f) << i;
        ASSERT_TRUE(Finite(p.m_vPosition) && Finite(p.m_vVelocity) && Finite(p.m_vForce)) << i;
        ASSERT_TRUE(Finite(p.m_vColor) && std::isfinite(p.m_fSize) && std::isfinite(p.m_fSizeRate)) << i;
        for (float c : {p.m_vColor.x, p.m_vColor.y, p.m_vColor.z, p.m_vColor.w})
        {
            ASSERT_TRUE(c >= 0.0f && c <= 255.0f) << i;
        }
    }
    ASSERT_EQ(dwLive, emitter.GetNumLiveParticles());
}
} // namespace

TEST_F(ParticleEmitterTest, DefaultsAndTheEmittersOwnShader)
{
    QIRN_ParticleEmitterActor* poEmitter = MakeEmitter("Name { Sea Snow }");
    EXPECT_EQ(poEmitter->m_iType, QIRN_EMITTER_POINT);
    EXPECT_EQ(poEmitter->GetNumParticles(), 0u);
    EXPECT_EQ(poEmitter->GetParticles(), nullptr);
    EXPECT_TRUE(poEmitter->m_bRender && poEmitter->m_bUseWorldGravity && poEmitter->m_bUseWorldWind);
    EXPECT_FLOAT_EQ(poEmitter->m_fFriction, 1.0f);
    EXPECT_FLOAT_EQ(poEmitter->m_fBounceFactor, 0.2f);
    EXPECT_FLOAT_EQ(poEmitter->m_vRangeMin.y, -32767.0f);
    EXPECT_FLOAT_EQ(poEmitter->m_vInitialColorVariance.w, 255.0f);
    EXPECT_FLOAT_EQ(poEmitter->GetBoxTransform()._22, 1.0f);

    auto* poNode = m_poWorld->GetShaderTree()->FindNode("QIRN_ParticleEmitterActor.Sea Snow");
    ASSERT_NE(poNode, nullptr);
    EXPECT_EQ(poNode->m_pData, poEmitter->GetShader());
    EXPECT_EQ(poNode->m_iRefCount, 1);
    ASSERT_EQ(poNode->m_pData->m_dwNumPasses, 1u);
    EXPECT_EQ(poNode->m_pData->m_poPasses[0].GetName(), "Pass 1");
    EXPECT_EQ(poNode->m_pData->m_poPasses[0].m_dwNumLayers, 1u);

    // A second emitter of that name shares the shader; the last one to go removes it.
    QIRN_ParticleEmitterActor* poTwin = MakeEmitter("Name { Sea Snow }");
    EXPECT_EQ(poTwin->GetShader(), poEmitter->GetShader());
    EXPECT_EQ(poNode->m_iRefCount, 2);
    EXPECT_EQ(poTwin->Destroy(), OK);
    EXPECT_EQ(poTwin->Destroy(), OK);
    ASSERT_NE(m_poWorld->GetShaderTree()->FindNode("QIRN_ParticleEmitterActor.Sea Snow"), nullptr);
    EXPECT_EQ(m_poWorld->GetShaderTree()->FindNode("QIRN_ParticleEmitterActor.Sea Snow")->m_iRefCount, 1);
    poEmitter->Destroy();
    EXPECT_EQ(m_poWorld->GetShaderTree()->FindNode("QIRN_ParticleEmitterActor.Sea Snow"), nullptr);
}

TEST_F(ParticleEmitterTest, RenamingMovesTheShaderUse)
{
    QIRN_ParticleEmitterActor* poEmitter = MakeEmitter("Name { First } Name { Second }");
    EXPECT_EQ(m_poWorld->GetShaderTree()->FindNode("QIRN_ParticleEmitterActor.First"), nullptr);
    ASSERT_NE(poEmitter->GetShader(), nullptr);
    EXPECT_EQ(poEmitter->GetShader()->GetName(), "QIRN_ParticleEmitterActor.Second");
}

TEST_F(ParticleEmitterTest, NameWithoutAWorldHasNoShaderTree)
{
    QIRN_ParticleEmitterActor emitter(QIRN_CLASS_PARTICLEEMITTERACTOR);
    qirn_test::LogCapture log;
    BlockFile file("E { Name { Lonely } }");
    EXPECT_EQ(emitter.Load(file.File()), GENERICERROR);
    EXPECT_TRUE(
        log.Contains("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - The shader tree is NULL!\n"));
    EXPECT_EQ(emitter.GetName(), "Lonely");
}

TEST_F(ParticleEmitterTest, PrewarmFillsThePoolAtTheRate)
{
    QIRN_ParticleEmitterActor* poEmitter =
        MakeEmitter("Name { Bubbles } NumParticles { 10 } EmissionRate { 5 }");
    ASSERT_NE(poEmitter->GetParticles(), nullptr);
    EXPECT_TRUE(poEmitter->NeedsPrewarm());
    ASSERT_EQ(poEmitter->Update(0.01f), OK);
    EXPECT_FALSE(poEmitter->NeedsPrewarm());
    EXPECT_EQ(poEmitter->GetNumLiveParticles(), 5u);
    ExpectSoundPool(*poEmitter);
    // Once the pre-warmed batch has died, rate 5 and lifetime 1 keep about five alive.
    for (int i = 0; i < 500; ++i)
    {
        ASSERT_EQ(poEmitter->Update(0.02f), OK);
        ASSERT_NO_FATAL_FAILURE(ExpectSoundPool(*poEmitter));
        ASSERT_LE(poEmitter->GetNumLiveParticles(), 10u);
        if (i >= 60)
        {
            ASSERT_GE(poEmitter->GetNumLiveParticles(), 4u) << i;
            ASSERT_LE(poEmitter->GetNumLiveParticles(), 6u) << i;
        }
    }
}

TEST_F(ParticleEmitterTest, FullPoolStopsTheUpdateBeforeTheBaseActor)
{
    QIRN_ParticleEmitterActor* poEmitter =
        MakeEmitter("Name { Burst } NumParticles { 3 } EmissionRate { 100 } Lifetime { 10 }");
    // The pre-warm fills the pool and takes the whole backlog off the accumulator.
    ASSERT_EQ(poEmitter->Update(0.1f), OK);
    EXPECT_EQ(poEmitter->GetNumLiveParticles(), 3u);
    EXPECT_FLOAT_EQ(poEmitter->GetTime(), 0.1f);
    // Now an emission fails, so the object's clock does not advance.
    ASSERT_EQ(poEmitter->Update(0.1f), OK);
    EXPECT_FLOAT_EQ(poEmitter->GetTime(), 0.1f);
}

TEST_F(ParticleEmitterTest, RangeFaceBouncesAParticleOnce)
{
    m_poWorld->m_vGravity = QIRN_Vector4(0.0f, -10.0f, 0.0f, 1.0f);
    QIRN_ParticleEmitterActor* poEmitter =
        MakeEmitter("Name { Drop } NumParticles { 1 } Position { 0 5 0 1 } Mass { 1 } Friction { 0 }\n"
                    "BounceFactor { 0.5 } RangeMin { -100 0 -100 1 } Lifetime { 100 } SizeVariance { 0 }");
    ASSERT_EQ(poEmitter->EmitParticle(), OK);
    EXPECT_EQ(poEmitter->EmitParticle(), GENERICERROR);
    QIRN_Particle& p = First(poEmitter);
    EXPECT_FLOAT_EQ(p.m_vPosition.y, 5.0f);
    int iBounces = 0;
    float fLowest = 5.0f;
    for (int i = 0; i < 600; ++i)
    {
        const float fBefore = p.m_vVelocity.y;
        poEmitter->StepParticles(0.01f);
        ASSERT_TRUE(p.m_bAlive);
        if (fBefore < 0.0f && p.m_vVelocity.y > 0.0f)
        {
            ++iBounces;
            // Reflected and halved, then one step of gravity.
            EXPECT_NEAR(p.m_vVelocity.y, -0.5f * fBefore - 0.1f, 1e-3f);
            EXPECT_NEAR(p.m_vPosition.y, p.m_vVelocity.y * 0.01f, 1e-4f);
            EXPECT_EQ(p.m_vLowerFaceHit.y, 1.0f);
        }
        fLowest = std::fmin(fLowest, p.m_vPosition.y);
    }
    EXPECT_EQ(iBounces, 1);
    // The second time it falls through the face.
    EXPECT_LT(fLowest, -1.0f);
    EXPECT_LT(p.m_vVelocity.y, 0.0f);
}

TEST_F(ParticleEmitterTest, AttractorsPullPushAndKillWithinDistanceOne)
{
    AddAttractor("Hole", QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f), 100.0f);
    AddAttractor("Wall", QIRN_Vector4(10.0f, 50.0f, 0.0f, 1.0f), -100.0f);
    QIRN_ParticleEmitterActor* poEmitter =
        MakeEmitter("Name { Plankton } NumParticles { 1 } Position { 10 0 0 1 } Mass { 1 } Friction { 0 }\n"
                    "Lifetime { 100 } Attractor { Hole } Attractor { Wall }");
    EXPECT_EQ(poEmitter->GetAttractorList()->m_iCount, 2);
    ASSERT_EQ(poEmitter->EmitParticle(), OK);
    QIRN_Particle& p = First(poEmitter);
    poEmitter->StepParticles(0.01f);
    // Pulled towards the hole (100 / 10^2), pushed off the wall above.
    EXPECT_NEAR(p.m_vForce.x, -1.0f, 1e-4f);
    EXPECT_LT(p.m_vForce.y, 0.0f);
    bool bDied = false;
    for (int i = 0; i < 5000 && !bDied; ++i)
    {
        poEmitter->StepParticles(0.01f);
        bDied = !p.m_bAlive;
        // It dies on arrival, never flying through.
        ASSERT_GT(p.m_vPosition.x, -1.0f);
    }
    EXPECT_TRUE(bDied);
    EXPECT_EQ(poEmitter->GetNumLiveParticles(), 0u);
}

TEST_F(ParticleEmitterTest, MassZeroIgnoresForcesButAnAttractorStillKills)
{
    m_poWorld->m_vGravity = QIRN_Vector4(0.0f, -10.0f, 0.0f, 1.0f);
    m_poWorld->m_vWind = QIRN_Vector4(3.0f, 0.0f, 0.0f, 1.0f);
    AddAttractor("Hole", QIRN_Vector4(0.5f, 0.0f, 0.0f, 1.0f), 100.0f);
    QIRN_ParticleEmitterActor* poStill = MakeEmitter(
        "Name { Still } NumParticles { 1 } Position { 0 0 5 1 } Lifetime { 100 } Attractor { Hole }");
    ASSERT_EQ(poStill->EmitParticle(), OK);
    for (int i = 0; i < 100; ++i)
    {
        poStill->StepParticles(0.01f);
    }
    EXPECT_TRUE(First(poStill).m_bAlive);
    EXPECT_FLOAT_EQ(First(poStill).m_vPosition.x, 0.0f);
    EXPECT_FLOAT_EQ(First(poStill).m_vPosition.y, 0.0f);
    First(poStill).m_vPosition = QIRN_Vector4(0.0f, 0.0f, 0.5f, 1.0f);
    poStill->StepParticles(0.01f);
    EXPECT_FALSE(First(poStill).m_bAlive);
}

TEST_F(ParticleEmitterTest, WorldWindOnlyWhenAsked)
{
    m_poWorld->m_vWind = QIRN_Vector4(4.0f, 0.0f, 0.0f, 1.0f);
    QIRN_ParticleEmitterActor* poWindy =
        MakeEmitter("Name { Windy } NumParticles { 1 } Mass { 1 } Friction { 0 } Lifetime { 100 }");
    QIRN_ParticleEmitterActor* poCalm = MakeEmitter(
        "Name { Calm } NumParticles { 1 } Mass { 1 } Friction { 0 } Lifetime { 100 } UseWorldWind { 0 }");
    ASSERT_EQ(poWindy->EmitParticle(), OK);
    ASSERT_EQ(poCalm->EmitParticle(), OK);
    poWindy->StepParticles(0.5f);
    poCalm->StepParticles(0.5f);
    EXPECT_FLOAT_EQ(First(poWindy).m_vVelocity.x, 2.0f);
    EXPECT_FLOAT_EQ(First(poCalm).m_vVelocity.x, 0.0f);
}

TEST_F(ParticleEmitterTest, PlaneEmissionStaysOnThePlaneSquare)
{
    QIRN_ParticleEmitterActor* poEmitter =
        MakeEmitter("Name { Floor } Type { 3 } NumParticles { 200 } Position { 50 50 50 1 }");
    for (int i = 0; i < 200; ++i)
    {
        ASSERT_EQ(poEmitter->EmitParticle(), OK);
        const QIRN_Vector4& v = poEmitter->GetParticles()[i].m_vPosition;
        ASSERT_FLOAT_EQ(v.z, -1.0f);
        ASSERT_TRUE(v.x >= -12.0f && v.x <= 12.0f && v.y >= -12.0f && v.y <= 12.0f) << v.x << " " << v.y;
    }
    // An offset with every component set moves the square.
    QIRN_ParticleEmitterActor* poMoved =
        MakeEmitter("Name { Moved } Type { 3 } NumParticles { 1 } PositionOffset { 1 2 3 1 }");
    ASSERT_EQ(poMoved->EmitParticle(), OK);
    EXPECT_FLOAT_EQ(First(poMoved).m_vPosition.z, 2.0f);
}

TEST_F(ParticleEmitterTest, BoxKeepsItsParticlesAndTurnsThemAtItsWalls)
{
    QIRN_ParticleEmitterActor* poEmitter =
        MakeEmitter("Name { Tank } Type { 4 } NumParticles { 40 } BoxSize { 2 } Position { 0 100 0 1 }\n"
                    "Rotation { 0 0 30 1 } InitialVelocity { 3 0 0 1 } Lifetime { 1000 }");
    QIRN_Matrix4 box;
    ASSERT_EQ(poEmitter->GetTransform(&box), OK);
    QIRN_Matrix4 toBox;
    ASSERT_EQ(Matrix_Invert(&box, &toBox), 0);
    for (int i = 0; i < 40; ++i)
    {
        ASSERT_EQ(poEmitter->EmitParticle(), OK);
    }
    for (int step = 0; step < 2000; ++step)
    {
        poEmitter->StepParticles(0.01f);
        ASSERT_EQ(poEmitter->GetNumLiveParticles(), 40u);
        for (int i = 0; i < 40; ++i)
        {
            QIRN_Vector4 v = poEmitter->GetParticles()[i].m_vPosition;
            Vector_TransformCoord(&toBox, &poEmitter->GetParticles()[i].m_vPosition, &v);
            // Inside the walls, or within the spread a bounce puts it back at.
            ASSERT_TRUE(std::fabs(v.x) < 1.45f && std::fabs(v.y) < 1.45f && std::fabs(v.z) < 1.45f)
                << step << " " << v.x << " " << v.y << " " << v.z;
        }
    }

    // The +x wall of an unrotated box far from the origin sends a particle back along x.
    QIRN_ParticleEmitterActor* poFar =
        MakeEmitter("Name { Far } Type { 4 } NumParticles { 1 } BoxSize { 2 } Position { 0 100 0 1 }\n"
                    "Friction { 0 } Lifetime { 1000 }");
    ASSERT_EQ(poFar->GetTransform(&box), OK);
    ASSERT_EQ(poFar->EmitParticle(), OK);
    First(poFar).m_vPosition = QIRN_Vector4(2.5f, 100.0f, 0.0f, 1.0f);
    First(poFar).m_vVelocity = QIRN_Vector4(3.0f, 0.0f, 0.0f, 1.0f);
    poFar->StepParticles(0.01f);
    EXPECT_NEAR(First(poFar).m_vVelocity.x, -3.0f, 1e-4f);
    EXPECT_NEAR(First(poFar).m_vVelocity.y, 0.0f, 1e-4f);
    EXPECT_TRUE(First(poFar).m_bBounced);
}

TEST_F(ParticleEmitterTest, BoxEmitterStartsAfreshInEveryUpdate)
{
    QIRN_ParticleEmitterActor* poEmitter =
        MakeEmitter("Name { Tank } Type { 4 } NumParticles { 10 } EmissionRate { 5 }");
    ASSERT_EQ(poEmitter->Update(0.1f), OK);
    EXPECT_EQ(poEmitter->GetNumLiveParticles(), 0u);
    EXPECT_TRUE(poEmitter->NeedsPrewarm());
    EXPECT_FLOAT_EQ(poEmitter->GetBoxTransform()._11, 12.0f);
    EXPECT_EQ(poEmitter->GetTransform(nullptr), INVALIDPARAMS);
}

TEST_F(ParticleEmitterTest, ConeWithoutDirectionEmitsAtRest)
{
    QIRN_ParticleEmitterActor* poEmitter =
        MakeEmitter("Name { Cone } Type { 2 } NumParticles { 1 } VelocityVariance { 2 3 0 1 }");
    ASSERT_EQ(poEmitter->EmitParticle(), OK);
    EXPECT_FLOAT_EQ(First(poEmitter).m_vVelocity.x, 0.0f);
    EXPECT_FLOAT_EQ(First(poEmitter).m_vVelocity.y, 0.0f);
    EXPECT_FLOAT_EQ(First(poEmitter).m_vVelocity.z, 0.0f);

    // A cone along +y: the speed along the axis is |V| - W.y + 2 r W.y for r in -1 .. 1, the
    // spread across it at most W.x scaled by that speed over |V|.
    QIRN_ParticleEmitterActor* poUp = MakeEmitter("Name { Up } Type { 2 } NumParticles { 100 } "
                                                  "InitialVelocity { 0 5 0 1 } VelocityVariance { 1 1 0 1 }");
    for (int i = 0; i < 100; ++i)
    {
        ASSERT_EQ(poUp->EmitParticle(), OK);
        const QIRN_Vector4& v = poUp->GetParticles()[i].m_vVelocity;
        ASSERT_TRUE(Finite(v));
        ASSERT_TRUE(v.y >= 2.0f - 1e-4f && v.y <= 6.0f + 1e-4f) << v.y;
        ASSERT_LE(std::sqrt(v.x * v.x + v.z * v.z), 1.0f * v.y / 5.0f + 1e-4f);
    }
}

TEST_F(ParticleEmitterTest, ExplosionsComeAtOnceAndThenByTheRate)
{
    QIRN_ParticleEmitterActor* poEmitter =
        MakeEmitter("Name { Boom } NumParticles { 4 } Explosion { 1 } ExplosionRate { 2 } Lifetime { 10 }");
    std::vector<int> vExplosions;
    for (int i = 1; i <= 12; ++i)
    {
        ASSERT_EQ(poEmitter->Update(0.5f), OK);
        ASSERT_EQ(poEmitter->GetNumLiveParticles(), 4u);
        // Fresh particles are not stepped in the frame of their explosion.
        if (First(poEmitter).m_fAge == 0.0f)
        {
            vExplosions.push_back(i);
        }
    }
    EXPECT_EQ(vExplosions, (std::vector<int>{1, 4, 8, 12}));
}

TEST_F(ParticleEmitterTest, ExplosionRateOfZeroMeansNoExplosionsLoggedOnce)
{
    QIRN_ParticleEmitterActor* poEmitter =
        MakeEmitter("Name { Dud } NumParticles { 4 } Explosion { 1 } ExplosionRate { 0 }");
    qirn_test::LogCapture log;
    for (int i = 0; i < 5; ++i)
    {
        ASSERT_EQ(poEmitter->Update(0.5f), OK);
        EXPECT_EQ(poEmitter->GetNumLiveParticles(), 0u);
    }
    EXPECT_EQ(log.Count("*** QIRN_ParticleEmitterActor::Update() - ExplosionRate of 'Dud' is 0 or less: no "
                        "explosions\n"),
              1u);
}

TEST_F(ParticleEmitterTest, NoNaNAfterThousandsOfSteps)
{
    m_poWorld->m_vGravity = QIRN_Vector4(0.0f, -2.0f, 0.0f, 1.0f);
    m_poWorld->m_vWind = QIRN_Vector4(0.5f, 0.0f, 0.0f, 1.0f);
    QIRN_ParticleAttractorActor* poLog = AddAttractor("Log", QIRN_Vector4(0.0f, 3.0f, 0.0f, 1.0f), 20.0f);
    poLog->SetType(QIRN_ATTRACTOR_LOGARITHM);
    poLog->m_fAttractorTime = 0.0f;
    const char* const blocks[] = {
        "Type { 1 } InitialVelocity { 1 2 0 1 } VelocityVariance { 1 1 1 1 }",
        "Type { 2 } InitialVelocity { 0 0 0 1 } VelocityVariance { 2 2 2 1 }",
        "Type { 2 } InitialVelocity { 0 4 0 1 } VelocityVariance { 1 1 0 1 }",
        "Type { 3 } InitialVelocity { 0 1 0 1 } VelocityVariance { 1 1 1 1 } PlaneEquation { 0 0 0 0 }",
        "Type { 5 } InitialVelocity { 0 3 0 1 } PlaneEquation { 1 0 0 2 }",
        "Type { 1 } Lifetime { 0 } LifetimeVariance { 0.5 } InitialColorVariance { 300 300 300 300 }",
        "Type { 1 } Explosion { 1 } ExplosionRate { 0.3 } RangeMin { -1 -1 -1 1 } RangeMax { 1 1 1 1 }",
        "Type { 7 }",
    };
    int iCase = 0;
    for (const char* szBlock : blocks)
    {
        SCOPED_TRACE(szBlock);
        QIRN_ParticleEmitterActor* poEmitter =
            MakeEmitter(std::string("Name { Case") + std::to_string(++iCase) +
                        " } NumParticles { 30 } EmissionRate { 20 } Mass { 1 } MassVariance { 0.5 } "
                        "Attractor { Log } " +
                        szBlock);
        for (int i = 0; i < 2000; ++i)
        {
            poLog->Update(i % 2 ? 0.0f : 0.016f);
            ASSERT_EQ(poEmitter->Update(0.016f), OK);
            ASSERT_NO_FATAL_FAILURE(ExpectSoundPool(*poEmitter)) << i;
        }
    }
}

TEST_F(ParticleEmitterTest, AttractorsMustComeFirstInTheWorldFile)
{
    qirn_test::WriteFile("reef.w", "qirn_world_version2.0 {\n"
                                   "  QIRN_ParticleAttractorActor { Name { Early } Type { 1 } }\n"
                                   "  QIRN_ParticleEmitterActor { Name { Snow } NumParticles { 8 } "
                                   "EmissionRate { 4 } Position { 0 10 0 1 }\n"
                                   "    Attractor { Early } Attractor { Late } }\n"
                                   "  QIRN_ParticleAttractorActor { Name { Late } }\n"
                                   "}\n");
    qirn_test::LogCapture log;
    ASSERT_EQ(m_poWorld->Load("reef"), OK);
    EXPECT_EQ(log.Count("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Attractor not found\n"), 1u);
    QIRN_LINKEDLIST<QIRN_ParticleEmitterActor>* poEmitters = m_poWorld->GetParticleEmitterActorList();
    ASSERT_NE(poEmitters, nullptr);
    ASSERT_EQ(poEmitters->m_iCount, 1);
    QIRN_ParticleEmitterActor* poSnow = poEmitters->m_pHead->m_pData;
    ASSERT_EQ(poSnow->GetAttractorList()->m_iCount, 1);
    EXPECT_EQ(poSnow->GetAttractorList()->m_pHead->m_szName, "Early");
    EXPECT_EQ(m_poWorld->GetParticleAttractorActorList()->m_iCount, 2);

    // The world's release of device resources clears the emitter's flag for that device.
    poSnow->SetDeviceFlag(1, 1);
    poSnow->SetDeviceFlag(0, 1);
    m_poWorld->ReleaseDeviceResources(1);
    EXPECT_EQ(poSnow->GetDeviceFlag(1), 0u);
    EXPECT_EQ(poSnow->GetDeviceFlag(0), 1u);
    EXPECT_EQ(m_poWorld->UpdateWorld(0.1f), OK);
    EXPECT_GT(poSnow->GetNumLiveParticles(), 0u);
}

TEST_F(ParticleEmitterTest, AttractorKeywordWithoutAWorldIsIgnored)
{
    QIRN_ParticleEmitterActor emitter(QIRN_CLASS_PARTICLEEMITTERACTOR);
    qirn_test::LogCapture log;
    BlockFile file("E { Attractor { Far Away } }");
    EXPECT_EQ(emitter.Load(file.File()), OK);
    EXPECT_TRUE(log.Contains("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Attractor list is NULL\n"));
    QIRN_ParticleAttractorActor attractor(QIRN_CLASS_PARTICLEATTRACTORACTOR);
    attractor.SetName("A");
    EXPECT_EQ(emitter.AddAttractor(&attractor), OK);
    EXPECT_EQ(emitter.AddAttractor(&attractor), GENERICERROR);
    EXPECT_TRUE(log.Contains(
        "*** QIRN_ParticleEmitterActor::AddAttractor() = m_oAttractorList.InsertNode() FAILED\n"));
}

TEST_F(ParticleEmitterTest, SavesEveryKeywordInOrderAndLoadsBack)
{
    AddAttractor("Pull", QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f), 1.0f);
    QIRN_ParticleEmitterActor* poEmitter = MakeEmitter(
        "Name { Snow } Type { 3 } NumParticles { 12 } EmissionRate { 2.5 } Explosion { 1 }\n"
        "ExplosionRate { 4 } UseWorldGravity { 0 } PositionVariance { 1 2 3 1 } Friction { 0.5 }\n"
        "PlaneSize { 6 } BoxTransform { 2 0 0 0 0 2 0 0 0 0 2 0 1 2 3 1 } Lifetime { 3 }\n"
        "FinalColor { 10 20 30 40 } Attractor { Pull }");
    std::string szText = world_test::SaveObjectText(*poEmitter, "emitter_out.txt");
    std::vector<size_t> order;
    for (const char* szKeyword : {"Name {",
                                  "Render {",
                                  "Type {",
                                  "NumParticles {",
                                  "EmissionRate {",
                                  "Explosion {",
                                  "ExplosionRate {",
                                  "UseWorldGravity {",
                                  "UseWorldWind {",
                                  "PositionVariance {",
                                  "PositionOffset {",
                                  "Friction {",
                                  "BounceFactor {",
                                  "PlaneEquation {",
                                  "PlaneSize {",
                                  "RangeMin {",
                                  "RangeMax {",
                                  "BoxSize {",
                                  "BoxTransform {",
                                  "Lifetime {",
                                  "LifetimeVariance {",
                                  "InitialSize {",
                                  "SizeVariance {",
                                  "FinalSize {",
                                  "Mass {",
                                  "MassVariance {",
                                  "InitialVelocity {",
                                  "VelocityVariance {",
                                  "InitialColor {",
                                  "InitialColorVariance {",
                                  "FinalColor {",
                                  "FinalColorVariance {",
                                  "Attractor { Pull }"})
    {
        order.push_back(szText.find(szKeyword, order.empty() ? 0 : order.back()));
        ASSERT_NE(order.back(), std::string::npos) << szKeyword << "\n" << szText;
    }

    QIRN_ParticleEmitterActor* poCopy =
        MakeEmitter(szText.substr(szText.find('{') + 1, szText.rfind('}') - szText.find('{') - 1));
    EXPECT_EQ(poCopy->m_iType, QIRN_EMITTER_PLANE);
    EXPECT_EQ(poCopy->GetNumParticles(), 12u);
    EXPECT_TRUE(poCopy->m_bExplosion);
    EXPECT_FALSE(poCopy->m_bUseWorldGravity);
    EXPECT_FLOAT_EQ(poCopy->m_vPositionVariance.z, 3.0f);
    EXPECT_FLOAT_EQ(poCopy->GetBoxTransform()._43, 3.0f);
    EXPECT_FLOAT_EQ(poCopy->m_vFinalColor.w, 40.0f);
    EXPECT_EQ(poCopy->GetAttractorList()->m_iCount, 1);
}

TEST_F(ParticleEmitterTest, ReadFailuresNameTheirKeyword)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Type", "*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Error reading Type\n"},
        {"NumParticles", "*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Error reading NumParticles\n"},
        {"Explosion", "*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Error reading bExplosion\n"},
        {"RangeMax", "*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Error reading RangeMax\n"},
        {"FinalColorVariance",
         "*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Error reading FinalColorVariance\n"},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.first);
        QIRN_ParticleEmitterActor emitter(QIRN_CLASS_PARTICLEEMITTERACTOR);
        qirn_test::LogCapture log;
        BlockFile file(std::string("E { ") + test.first + " { lots } }");
        EXPECT_EQ(emitter.Load(file.File()), FILEREAD_ERROR);
        const std::vector<std::string>& lines = log.Messages();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[1], test.second);
    }
    QIRN_ParticleEmitterActor emitter(QIRN_CLASS_PARTICLEEMITTERACTOR);
    qirn_test::LogCapture log;
    BlockFile file("E { Name Lonely } }");
    EXPECT_EQ(emitter.Load(file.File()), FILEREAD_ERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_ParticleEmitterActor::InterpretKeyWord():Error reading Name\n"));
    EXPECT_EQ(emitter.InterpretKeyWord("", file.File()), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - szKeyWord is empty\n"));
    QIRN_File closed;
    EXPECT_EQ(emitter.InterpretKeyWord("Type", closed), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_ParticleEmitterActor::InterpretKeyWord() - roFile is invalid\n"));
    EXPECT_EQ(emitter.SaveContents(closed), GENERICERROR);
    EXPECT_TRUE(log.Contains(
        "*** QIRN_ParticleEmitterActor::SaveContents() - roFile is invalid. Can't save contents\n"));
}

// A count outside the pool's bounds is the keyword's read failure, after a line naming the count;
// the emitter keeps the pool it had. The first two are counts seen in damaged worlds.
TEST_F(ParticleEmitterTest, ParticleCountsOutsideThePoolsBoundsAreRefused)
{
    const std::pair<const char*, const char*> cases[] = {
        {"-120", "*** QIRN_ParticleEmitterActor::InterpretKeyWord() - NumParticles -120 is outside 0 .. 4096\n"},
        {"10000000",
         "*** QIRN_ParticleEmitterActor::InterpretKeyWord() - NumParticles 10000000 is outside 0 .. 4096\n"},
        {"4097", "*** QIRN_ParticleEmitterActor::InterpretKeyWord() - NumParticles 4097 is outside 0 .. 4096\n"},
        {"-4294967295",
         "*** QIRN_ParticleEmitterActor::InterpretKeyWord() - NumParticles -4294967295 is outside 0 .. 4096\n"},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.first);
        QIRN_ParticleEmitterActor emitter(QIRN_CLASS_PARTICLEEMITTERACTOR);
        qirn_test::LogCapture log;
        BlockFile file(std::string("E { NumParticles { 40 } NumParticles { ") + test.first + " } }");
        EXPECT_EQ(emitter.Load(file.File()), FILEREAD_ERROR);
        const std::vector<std::string>& lines = log.Messages();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], test.second);
        EXPECT_EQ(lines[1], "*** QIRN_ParticleEmitterActor::InterpretKeyWord() - Error reading NumParticles\n");
        EXPECT_EQ(emitter.GetNumParticles(), 40u);
        EXPECT_NE(emitter.GetParticles(), nullptr);
    }
    QIRN_ParticleEmitterActor* poLargest = MakeEmitter("Name { Largest } NumParticles { 4096 } EmissionRate { 4096 }");
    EXPECT_EQ(poLargest->GetNumParticles(), QIRN_EMITTER_MAX_PARTICLES);
    EXPECT_EQ(poLargest->Update(0.02f), OK);
    EXPECT_EQ(poLargest->GetNumLiveParticles(), QIRN_EMITTER_MAX_PARTICLES);
    ExpectSoundPool(*poLargest);
    EXPECT_EQ(MakeEmitter("Name { None } NumParticles { 0 }")->GetParticles(), nullptr);
}
