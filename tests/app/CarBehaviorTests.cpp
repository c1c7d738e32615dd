// The car's leaves on hand-placed cars: destination and path-point tests, planning, the vision rules
// and the speed taken from the road.
#include "app/Car.h"
#include "app/CarBehavior.h"
#include "app/CarGrid.h"
#include "app/RoutePlanner.h"
#include "framework/Physics/RigidBody.h"
#include "headless/HeadlessSimulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

using namespace Vemox;

namespace
{
TrafficGraph* g_pRecordingGraph = nullptr;
float g_StraightThroughCost = -1.f;
float g_RingIntoMiddleCost = -1.f;

// A Chebyshev heuristic that also records what the search sees of the raised costs.
float RecordingHeuristic(float dx, float dy)
{
    g_StraightThroughCost = g_pRecordingGraph->GetConnection(83, 84)->GetCost() +
                            g_pRecordingGraph->GetConnection(84, 85)->GetCost() +
                            g_pRecordingGraph->GetConnection(85, 86)->GetCost();
    g_RingIntoMiddleCost = g_pRecordingGraph->GetConnection(80, 100)->GetCost();
    return Chebyshev(dx, dy);
}

Vector2D CellCentre(int node)
{
    return {static_cast<float>(node % 20) * 15.f + 7.5f, static_cast<float>(node / 20) * 15.f + 7.5f};
}

class CarBehaviorTest : public ::testing::Test
{
protected:
    ~CarBehaviorTest() override
    {
        m_Blackboards.clear();
        for (Car* pCar : m_Cars)
            delete pCar;
    }

    /// A car at `position` with body angle `angle` and linear velocity `velocity`.
    Car* AddCar(const Vector2D& position, float angle = 0.f, const Vector2D& velocity = {0.f, 0.f})
    {
        Car* pCar = new Car(position, position, Color{1.f, 0.f, 0.f, 1.f});
        pCar->GetRigidBody()->SetTransform(position, angle);
        pCar->SetLinearVelocity(velocity);
        m_Cars.push_back(pCar);
        auto pBlackboard = std::make_unique<Blackboard>();
        pBlackboard->AddData("Car", pCar);
        pBlackboard->AddData("GridGraph", m_pGraph);
        pBlackboard->AddData("Heuristic", static_cast<Heuristic>(Chebyshev));
        pBlackboard->AddData("CarsVector", &m_Cars);
        pBlackboard->AddData("RoutePlanner", m_Simulation.GetApp().GetRoutePlanner());
        m_Blackboards.push_back(std::move(pBlackboard));
        return pCar;
    }
    Blackboard* BlackboardOf(const Car* pCar)
    {
        for (size_t i = 0; i < m_Cars.size(); ++i)
            if (m_Cars[i] == pCar)
                return m_Blackboards[i].get();
        return nullptr;
    }
    bool InSight(const Car* pCar) { return CarBehavior::IsCarInSight(BlackboardOf(pCar)); }

    HeadlessSimulation m_Simulation{{0, false}};
    TrafficGraph* m_pGraph = m_Simulation.GetApp().GetGraph();
    std::vector<Car*> m_Cars;
    std::vector<std::unique_ptr<Blackboard>> m_Blackboards;
};
} // namespace

TEST_F(CarBehaviorTest, DestinationTestComparesCellsNotPoints)
{
    Car* pCar = AddCar({20.f, 8.f});
    pCar->SetDestination(CellCentre(1));
    pCar->SetPath({CellCentre(0), CellCentre(20)});
    EXPECT_TRUE(CarBehavior::IsAtDestination(BlackboardOf(pCar))); // a path left over does not matter
    pCar->SetDestination(CellCentre(0));
    EXPECT_FALSE(CarBehavior::IsAtDestination(BlackboardOf(pCar)));
}

TEST_F(CarBehaviorTest, ReachingTheNextPointDropsIt)
{
    Car* pCar = AddCar(CellCentre(1) + Vector2D{6.f, -6.f});
    pCar->SetPath({CellCentre(1), CellCentre(0)});
    EXPECT_TRUE(CarBehavior::HasReachedNextPathPoint(BlackboardOf(pCar)));
    ASSERT_EQ(pCar->GetPath().size(), 1u);
    EXPECT_EQ(pCar->GetPath().front(), CellCentre(0));
    EXPECT_FALSE(CarBehavior::HasReachedNextPathPoint(BlackboardOf(pCar)));
    EXPECT_EQ(pCar->GetPath().size(), 1u);

    EXPECT_EQ(CarBehavior::SeekNextPathPoint(BlackboardOf(pCar)), BehaviorState::Success);
    EXPECT_NE(pCar->GetSteeringBehavior(), nullptr);
}

TEST_F(CarBehaviorTest, PlanningPicksRoadGoalsAndRestoresRaisedCosts)
{
    m_Simulation.GetApp().UpdateTrafficLights(0.1f);
    Car* pCar = AddCar(CellCentre(83));
    for (unsigned int seed = 1; seed <= 200; ++seed)
    {
        srand(seed);
        pCar->SetPosition(CellCentre(83));
        ASSERT_EQ(CarBehavior::PlanPathToRandomDestination(BlackboardOf(pCar)), BehaviorState::Success);
        const auto& path = pCar->GetPath();
        ASSERT_GE(path.size(), 2u);
        EXPECT_EQ(path.front(), CellCentre(83));
        EXPECT_EQ(pCar->GetDestination(), path.back());
        const int goal = m_pGraph->GetNodeIdxAtWorldPos(path.back());
        EXPECT_NE(goal, 83);
        EXPECT_NE(m_pGraph->GetNode(goal)->GetTerrainType(), TerrainType::Block);
        // Consecutive points are joined by road connections.
        for (auto it = path.begin(); std::next(it) != path.end(); ++it)
        {
            EXPECT_NE(m_pGraph->GetConnection(m_pGraph->GetNodeIdxAtWorldPos(*it),
                                              m_pGraph->GetNodeIdxAtWorldPos(*std::next(it))),
                      nullptr);
        }
    }
    EXPECT_EQ(m_pGraph->GetConnection(80, 100)->GetCost(), 30.f);
    EXPECT_EQ(m_pGraph->GetConnection(119, 99)->GetCost(), 30.f);
    for (auto [from, to] : {std::pair{104, 84},
                            {84, 85},
                            {85, 105},
                            {105, 104},
                            {109, 89},
                            {89, 90},
                            {90, 110},
                            {110, 109},
                            {114, 94},
                            {94, 95},
                            {95, 115},
                            {115, 114}})
        EXPECT_EQ(m_pGraph->GetConnection(from, to)->GetCost(), 50.f) << from << " -> " << to;
    // The lights' connections keep what the lights wrote.
    EXPECT_EQ(m_pGraph->GetConnection(83, 84)->GetCost(), 0.f);
}

TEST_F(CarBehaviorTest, SearchSeesRaisedJunctionCostsAndTheLight)
{
    m_Simulation.GetApp().UpdateTrafficLights(0.1f); // light 1 red: 83 -> 84 costs 0
    Car* pCar = AddCar(CellCentre(83));
    g_pRecordingGraph = m_pGraph;
    g_StraightThroughCost = -1.f;
    Blackboard blackboard;
    blackboard.AddData("Car", pCar);
    blackboard.AddData("GridGraph", m_pGraph);
    blackboard.AddData("Heuristic", static_cast<Heuristic>(RecordingHeuristic));
    blackboard.AddData("RoutePlanner", m_Simulation.GetApp().GetRoutePlanner());
    srand(3);
    ASSERT_EQ(CarBehavior::PlanPathToRandomDestination(&blackboard), BehaviorState::Success);
    EXPECT_EQ(g_StraightThroughCost, 0.f + 250.f + 50.f);
    EXPECT_EQ(g_RingIntoMiddleCost, 250.f);
    EXPECT_EQ(m_pGraph->GetConnection(84, 85)->GetCost(), 50.f);
}

TEST_F(CarBehaviorTest, CarOnABlockCellKeepsItsPathAndNeverReadsAnEmptyOne)
{
    Car* pCar = AddCar(CellCentre(21)); // a Block cell: no outgoing connections
    pCar->SetPath({CellCentre(1), CellCentre(0)});
    pCar->SetDestination(CellCentre(0));
    EXPECT_EQ(CarBehavior::PlanPathToRandomDestination(BlackboardOf(pCar)), BehaviorState::Failure);
    ASSERT_EQ(pCar->GetPath().size(), 2u);
    EXPECT_EQ(pCar->GetDestination(), CellCentre(0));

    pCar->SetPath({});
    EXPECT_EQ(CarBehavior::SeekNextPathPoint(BlackboardOf(pCar)), BehaviorState::Failure);
    EXPECT_FALSE(CarBehavior::HasReachedNextPathPoint(BlackboardOf(pCar)));
    EXPECT_EQ(CarBehavior::SetSpeedFromRoad(BlackboardOf(pCar)), BehaviorState::Failure);

    // The whole tree runs on it without touching the empty path.
    pCar->SetDestination(CellCentre(21));
    std::unique_ptr<IBehavior> pRoot(CarBehavior::CreateCarBehaviorRoot());
    EXPECT_EQ(pRoot->Execute(BlackboardOf(pCar)), BehaviorState::Failure);
    EXPECT_TRUE(pCar->GetPath().empty());
}

TEST_F(CarBehaviorTest, LeavesFailOnMissingEntriesWithOneWarning)
{
    Blackboard empty;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(CarBehavior::IsAtDestination(&empty));
    EXPECT_EQ(CarBehavior::StopCar(&empty), BehaviorState::Failure);
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(output, "WARNING: Data 'GridGraph' of type 'Vemox::GridGraph<Vemox::GridTerrainNode, "
                      "Vemox::GraphConnection>*' not found in Blackboard \n"
                      "WARNING: Data 'Car' of type 'Car*' not found in Blackboard \n");
}

TEST_F(CarBehaviorTest, VisionConeBoundsWrapOnce)
{
    const CarBehavior::VisionCone straight = CarBehavior::GetVisionCone(0.f);
    EXPECT_FLOAT_EQ(straight.lo, -1.4835298f);
    EXPECT_FLOAT_EQ(straight.hi, 0.5235988f);
    const CarBehavior::VisionCone wrapped = CarBehavior::GetVisionCone(3.f);
    EXPECT_FLOAT_EQ(wrapped.lo, 1.5164702f);
    EXPECT_FLOAT_EQ(wrapped.hi, -2.7595868f);
}

TEST_F(CarBehaviorTest, ConeEdgesAndRange)
{
    const Vector2D p{100.f, 70.f};
    Car* pCar = AddCar(p, 0.f, {10.f, 0.f});
    // Crossing from the right (moving up), so a car in the cone is waited for.
    Car* pRightBelow = AddCar(p + Vector2D{10.f, -30.f}, 1.5707964f, {0.f, 10.f});
    EXPECT_TRUE(InSight(pCar));
    pRightBelow->SetPosition(p + Vector2D{10.f, 30.f}); // phi about +71.6 degrees: outside
    EXPECT_FALSE(InSight(pCar));
    pRightBelow->SetPosition(p + Vector2D{40.f, 0.f}); // squared distance exactly 1600: still seen
    EXPECT_TRUE(InSight(pCar));
    pRightBelow->SetPosition({140.00002f, 70.f}); // just beyond 40
    EXPECT_FALSE(InSight(pCar));
}

TEST_F(CarBehaviorTest, WrappedConeSeesBehindThePiSeam)
{
    const Vector2D p{150.f, 70.f};
    Car* pCar = AddCar(p, 3.f, {-10.f, 0.f});
    Car* pOther = AddCar({0.f, 0.f}, 0.f, {0.f, -10.f}); // seen from pCar: crossing from the right
    for (float phi : {3.1f, -3.0f})
    {
        pOther->SetPosition(p + Vector2D{20.f * std::cos(phi), 20.f * std::sin(phi)});
        EXPECT_TRUE(InSight(pCar)) << phi;
    }
    pOther->SetPosition(p + Vector2D{20.f, 0.f}); // phi 0: behind
    EXPECT_FALSE(InSight(pCar));
}

TEST_F(CarBehaviorTest, NearestCarDecidesAndTheLaterOneWinsTies)
{
    const Vector2D p{100.f, 70.f};
    Car* pCar = AddCar(p, 0.f, {10.f, 0.f});
    AddCar(p + Vector2D{30.f, 10.f}, 0.f, {-10.f, 0.f}); // oncoming: never waited for
    Car* pCrossing = AddCar(p + Vector2D{30.f, -10.f}, 0.f, {0.f, 10.f});
    EXPECT_TRUE(InSight(pCar)); // equal distances: the later car (crossing) decides
    pCrossing->SetPosition(p + Vector2D{31.f, -10.f});
    EXPECT_FALSE(InSight(pCar)); // the nearer, oncoming car decides alone
}

TEST_F(CarBehaviorTest, FollowingDistanceForTheSameDirection)
{
    const Vector2D p{100.f, 70.f};
    Car* pCar = AddCar(p, 0.f, {10.f, 0.f});
    Car* pAhead = AddCar(p + Vector2D{20.f, 0.f}, 0.f, {10.f, 0.f});
    EXPECT_TRUE(InSight(pCar));
    EXPECT_EQ(pCar->GetWaitingFor(), pAhead); // the wait-for relation is recorded where it is decided
    pCar->SetWaitingFor(nullptr);
    pAhead->SetPosition(p + Vector2D{20.01f, 0.f});
    EXPECT_FALSE(InSight(pCar));
    EXPECT_EQ(pCar->GetWaitingFor(), nullptr);

    // Both at rest: directions (0, 0) give rel 0, so the same-direction rule applies.
    pCar->SetLinearVelocity({0.f, 0.f});
    pAhead->SetLinearVelocity({0.f, 0.f});
    pAhead->SetPosition(p + Vector2D{15.f, 0.f});
    EXPECT_TRUE(InSight(pCar));
    pAhead->SetPosition(p + Vector2D{25.f, 0.f});
    EXPECT_FALSE(InSight(pCar));
}

TEST_F(CarBehaviorTest, RightOfWayDependsOnTheRelativeHeadingAndTheOtherCarsSpeedLimit)
{
    const Vector2D p{100.f, 70.f};
    Car* pCar = AddCar(p, 0.f, {1.f, 0.f});
    Car* pOther = AddCar(p + Vector2D{30.f, -10.f});
    pOther->SetMaxLinearSpeed(12.5f);

    // Finds a heading whose relative angle, as the car measures it, is exactly `rel`.
    auto headTo = [&](float rel)
    {
        float angle = rel;
        for (int i = 0; i < 64; ++i)
        {
            pOther->SetLinearVelocity({std::cos(angle), std::sin(angle)});
            const Vector2D t = pOther->GetDirection();
            const float measured =
                static_cast<float>(std::atan2(static_cast<double>(t.y), static_cast<double>(t.x)));
            if (measured == rel)
                return true;
            angle = measured < rel ? std::nextafter(angle, 10.f) : std::nextafter(angle, -10.f);
        }
        return false;
    };

    ASSERT_TRUE(headTo(1.0f));
    EXPECT_TRUE(InSight(pCar));
    ASSERT_TRUE(headTo(2.0f));
    EXPECT_TRUE(InSight(pCar));
    pOther->SetMaxLinearSpeed(0.f); // held itself: no priority from the right
    EXPECT_FALSE(InSight(pCar));
    pOther->SetMaxLinearSpeed(12.5f);
    ASSERT_TRUE(headTo(0.8f));
    EXPECT_FALSE(InSight(pCar));
    pOther->SetLinearVelocity({-1.f, 0.f}); // oncoming, rel = pi
    EXPECT_FALSE(InSight(pCar));
    pOther->SetLinearVelocity({0.f, -1.f}); // crossing from the left
    EXPECT_FALSE(InSight(pCar));
}

TEST_F(CarBehaviorTest, SpeedFollowsTheConnectionCost)
{
    m_Simulation.GetApp().UpdateTrafficLights(0.1f); // light 1 red
    Car* pCar = AddCar(CellCentre(1));
    Blackboard* pBlackboard = BlackboardOf(pCar);

    pCar->SetPath({CellCentre(0)}); // outer ring
    EXPECT_EQ(CarBehavior::SetSpeedFromRoad(pBlackboard), BehaviorState::Success);
    EXPECT_EQ(pCar->GetMaxLinearSpeed(), 7.5f);

    pCar->SetPosition(CellCentre(81)); // middle road
    pCar->SetPath({CellCentre(82)});
    CarBehavior::SetSpeedFromRoad(pBlackboard);
    EXPECT_EQ(pCar->GetMaxLinearSpeed(), 12.5f);

    pCar->SetPosition(CellCentre(83)); // approach guarded by light 1
    pCar->SetPath({CellCentre(84)});
    CarBehavior::SetSpeedFromRoad(pBlackboard);
    EXPECT_EQ(pCar->GetMaxLinearSpeed(), 0.f);
    m_Simulation.GetApp().UpdateTrafficLights(8.5f); // timer below 0
    m_Simulation.GetApp().UpdateTrafficLights(0.1f); // turns green
    CarBehavior::SetSpeedFromRoad(pBlackboard);
    EXPECT_EQ(pCar->GetMaxLinearSpeed(), 12.5f);

    pCar->SetPath({CellCentre(104)}); // no connection from 83 straight to 104
    CarBehavior::SetSpeedFromRoad(pBlackboard);
    EXPECT_EQ(pCar->GetMaxLinearSpeed(), 5.f);

    EXPECT_EQ(CarBehavior::StopCar(pBlackboard), BehaviorState::Success);
    EXPECT_EQ(pCar->GetMaxLinearSpeed(), 0.f);
}

namespace
{
// The vision rule written out plainly: every car in range takes the arc-tangent cone test.
const Car* ReferenceCarInSight(const Car* pCar, const std::vector<Car*>& cars)
{
    const Vector2D p = pCar->GetPosition();
    const CarBehavior::VisionCone cone = CarBehavior::GetVisionCone(pCar->GetRotation());
    const Car* pBest = nullptr;
    float bestDist2 = FloatMax;
    for (const Car* pOther : cars)
    {
        if (pOther == pCar)
            continue;
        const Vector2D q = pOther->GetPosition();
        const float d2 = (p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y);
        if (d2 > 1600.f)
            continue;
        const float phi =
            static_cast<float>(std::atan2(static_cast<double>(q.y - p.y), static_cast<double>(q.x - p.x)));
        const bool inCone = (cone.hi > cone.lo && cone.lo <= phi && phi <= cone.hi) ||
                            (cone.lo > cone.hi && (phi >= cone.lo || phi <= cone.hi));
        if (inCone && bestDist2 >= d2)
        {
            pBest = pOther;
            bestDist2 = d2;
        }
    }
    return pBest;
}
} // namespace

TEST_F(CarBehaviorTest, QuickConeRejectionNeverChangesWhichCarIsSeen)
{
    for (int i = 0; i < 12; ++i)
        AddCar({0.f, 0.f});
    std::srand(77);
    const auto random = [](float lo, float hi)
    { return lo + (hi - lo) * static_cast<float>(std::rand() % 100001) / 100000.f; };
    int seen = 0;
    for (int trial = 0; trial < 3000; ++trial)
    {
        const Vector2D centre{150.f, 75.f};
        for (Car* pCar : m_Cars)
        {
            // Clustered cars, some placed exactly on the cone's edges or on top of each other.
            Vector2D position = centre + Vector2D{random(-30.f, 30.f), random(-30.f, 30.f)};
            const int kind = std::rand() % 8;
            const float heading = random(-4.f, 4.f);
            const CarBehavior::VisionCone cone = CarBehavior::GetVisionCone(heading);
            if (kind == 0)
                position = centre;
            else if (kind == 1)
                position = centre + Vector2D{20.f * std::cos(cone.lo), 20.f * std::sin(cone.lo)};
            else if (kind == 2)
                position = centre + Vector2D{20.f * std::cos(cone.hi), 20.f * std::sin(cone.hi)};
            pCar->GetRigidBody()->SetTransform(position, heading);
        }
        CarGrid grid(20, 10, 15.f);
        grid.Rebuild(m_Cars);
        for (const Car* pCar : m_Cars)
        {
            const Car* pExpected = ReferenceCarInSight(pCar, m_Cars);
            ASSERT_EQ(CarBehavior::FindCarInSight(pCar, m_Cars), pExpected) << "trial " << trial;
            ASSERT_EQ(CarBehavior::FindCarInSight(pCar, m_Cars, grid), pExpected) << "trial " << trial;
            seen += pExpected != nullptr ? 1 : 0;
        }
    }
    EXPECT_GT(seen, 3000); // the configurations exercise both outcomes
}

TEST_F(CarBehaviorTest, GridSearchSeesTheSameCarAsThePlainRuleOnRandomScenes)
{
    // Scenes on a whole-unit lattice, so that many pairs lie at exactly equal distances and on cell
    // edges; some cars stand off the grid, some on top of each other; the grid is over a 20 x 10 and
    // a 7 x 3 layout (the layout must not matter).
    for (int i = 0; i < 48; ++i)
        AddCar({0.f, 0.f});
    std::srand(2024);
    int seen = 0;
    int ties = 0;
    for (int trial = 0; trial < 400; ++trial)
    {
        const int spreadX = trial % 2 == 0 ? 60 : 330;
        const int spreadY = trial % 2 == 0 ? 60 : 180;
        const Vector2D corner = trial % 2 == 0 ? Vector2D{static_cast<float>(std::rand() % 300) - 20.f,
                                                          static_cast<float>(std::rand() % 150) - 20.f}
                                               : Vector2D{-15.f, -15.f};
        for (Car* pCar : m_Cars)
        {
            const Vector2D position = corner + Vector2D{static_cast<float>(std::rand() % spreadX),
                                                        static_cast<float>(std::rand() % spreadY)};
            // Headings also along the axes and the diagonals, where the cone's edges meet lattice points.
            const float heading = std::rand() % 2 == 0
                                      ? static_cast<float>(std::rand() % 8) * Pi / 4.f
                                      : static_cast<float>(std::rand() % 20000) / 2000.f - 5.f;
            pCar->GetRigidBody()->SetTransform(position, heading);
        }
        CarGrid grid(20, 10, 15.f);
        CarGrid coarse(7, 3, 50.f);
        grid.Rebuild(m_Cars);
        coarse.Rebuild(m_Cars);
        for (const Car* pCar : m_Cars)
        {
            const Car* pExpected = ReferenceCarInSight(pCar, m_Cars);
            ASSERT_EQ(CarBehavior::FindCarInSight(pCar, m_Cars, grid), pExpected) << "trial " << trial;
            ASSERT_EQ(CarBehavior::FindCarInSight(pCar, m_Cars, coarse), pExpected) << "trial " << trial;
            if (pExpected == nullptr)
                continue;
            ++seen;
            // Count the scenes where another car in the cone lies at exactly the same distance.
            const Vector2D p = pCar->GetPosition();
            const Vector2D q = pExpected->GetPosition();
            for (const Car* pOther : m_Cars)
            {
                const Vector2D r = pOther->GetPosition();
                if (pOther != pExpected && pOther != pCar &&
                    (p - r).MagnitudeSquared() == (p - q).MagnitudeSquared())
                    ++ties;
            }
        }
    }
    EXPECT_GT(seen, 2000);
    EXPECT_GT(ties, 200); // ties at equal distance are common enough to test the tie rule
}

TEST_F(CarBehaviorTest, TheLeafUsesACurrentGridAndOtherwiseEveryCar)
{
    const Vector2D p{100.f, 70.f};
    const Vector2D near = p + Vector2D{15.f, 0.f};
    const Vector2D far = p + Vector2D{50.f, 0.f};
    Car* pCar = AddCar(p, 0.f, {1.f, 0.f});
    Car* pAhead = AddCar(near, 0.f, {1.f, 0.f});
    CarGrid grid(20, 10, 15.f);
    for (const auto& pBlackboard : m_Blackboards)
        pBlackboard->AddData("CarGrid", static_cast<const CarGrid*>(&grid));

    // A grid built while the car ahead stood out of range: as long as it counts as current, the leaf
    // sees the cars where the grid has them.
    pAhead->SetPosition(far);
    grid.Rebuild(m_Cars);
    pAhead->SetPosition(near);
    EXPECT_FALSE(InSight(pCar));

    // Invalidated, it is not used: every car is looked at.
    grid.Invalidate();
    EXPECT_TRUE(InSight(pCar));
    EXPECT_EQ(pCar->GetWaitingFor(), pAhead);

    // Nor is a grid built from another vector of cars.
    pAhead->SetPosition(far);
    std::vector<Car*> others = m_Cars;
    grid.Rebuild(others);
    pAhead->SetPosition(near);
    EXPECT_TRUE(InSight(pCar));
}

TEST_F(CarBehaviorTest, RelativeHeadingRuleMatchesTheArcTangentEverywhere)
{
    // The own car heads along a random direction with a car 15 units ahead in its cone; the other car's
    // direction sweeps all angles, crowded near the band edges 0.75, 1 and 2 (and their negatives),
    // at speeds of many sizes, plus the zero velocity with either sign of zero.
    const Vector2D p{100.f, 70.f};
    Car* pCar = AddCar(p);
    Car* pOther = AddCar(p);
    pOther->SetMaxLinearSpeed(12.5f);
    std::srand(99);
    const float edges[] = {0.75f, -0.75f, 1.f, 2.f, -1.f, -2.f};
    int waits = 0;
    for (int trial = 0; trial < 6000; ++trial)
    {
        const float own = static_cast<float>(std::rand() % 62832) / 10000.f - Pi;
        float relative = static_cast<float>(std::rand() % 62832) / 10000.f - Pi;
        if (trial % 3 == 0)
            relative = edges[std::rand() % 6] + static_cast<float>(std::rand() % 2001 - 1000) * 1e-6f;
        // Speeds from crawling to fast: the rule looks at directions only, whatever the lengths.
        const float scales[] = {1e-5f, 2e-3f, 0.5f, 1.f, 12.5f, 1000.f};
        Vector2D ownVelocity = Vector2D{std::cos(own), std::sin(own)} * scales[std::rand() % 6];
        Vector2D otherVelocity =
            Vector2D{std::cos(own + relative), std::sin(own + relative)} * scales[std::rand() % 6];
        if (trial % 50 == 0)
            otherVelocity = {trial % 100 == 0 ? 0.f : -0.f, trial % 200 == 0 ? -0.f : 0.f};
        if (trial % 70 == 0)
            ownVelocity = {trial % 140 == 0 ? -0.f : 0.f, 0.f};
        pCar->GetRigidBody()->SetTransform(p, own);
        pCar->SetLinearVelocity(ownVelocity);
        pOther->SetPosition(p + Vector2D{15.f * std::cos(own - 0.4f), 15.f * std::sin(own - 0.4f)});
        pOther->SetLinearVelocity(otherVelocity);
        ASSERT_EQ(CarBehavior::FindCarInSight(pCar, m_Cars), pOther);

        const Vector2D s = pCar->GetDirection();
        const Vector2D t = pOther->GetDirection();
        const float rel = static_cast<float>(std::atan2(static_cast<double>(s.x * t.y - t.x * s.y),
                                                        static_cast<double>(s.x * t.x + s.y * t.y)));
        const bool expected = (-0.75f <= rel && rel <= 0.75f) || (1.f <= rel && rel <= 2.f);
        ASSERT_EQ(InSight(pCar), expected) << "trial " << trial << " rel " << rel;
        waits += expected ? 1 : 0;
    }
    EXPECT_GT(waits, 1500);
    EXPECT_LT(waits, 4500);
}
