// Blackboard: storing, exact-type lookup, the two console warnings and ownership of fields.
#include "framework/VemoxAI/DecisionMaking/Blackboard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace Vemox;

namespace
{
struct Car
{
    float m_MaxLinearSpeed = 10.f;
};
struct Graph
{
};
float Chebyshev(float x, float y)
{
    return x > y ? x : y;
}

// Counts live instances, so a test can see which objects a blackboard destroyed.
struct Tracked
{
    static int s_Alive;
    Tracked() { ++s_Alive; }
    Tracked(const Tracked&) { ++s_Alive; }
    Tracked& operator=(const Tracked&) = default;
    ~Tracked() { --s_Alive; }
};
int Tracked::s_Alive = 0;

std::string NotFound(const std::string& name, const std::string& type)
{
    return "WARNING: Data '" + name + "' of type '" + type + "' not found in Blackboard \n";
}
std::string AlreadyIn(const std::string& name, const std::string& type)
{
    return "WARNING: Data '" + name + "' of type '" + type + "' already in Blackboard \n";
}

class BlackboardTest : public testing::Test
{
protected:
    Car m_Car;
    Graph m_Graph;
    std::vector<Car*> m_Cars{&m_Car};
    Blackboard m_Blackboard;

    void SetUp() override
    {
        testing::internal::CaptureStdout();
        m_Blackboard.AddData("Car", &m_Car);
        m_Blackboard.AddData("GridGraph", &m_Graph);
        m_Blackboard.AddData("Heuristic", &Chebyshev);
        m_Blackboard.AddData("CarsVector", &m_Cars);
        ASSERT_EQ(testing::internal::GetCapturedStdout(), "");
    }
};
} // namespace

TEST_F(BlackboardTest, ReturnsEachStoredValueUnderItsNameAndType)
{
    testing::internal::CaptureStdout();
    Car* pCar = nullptr;
    Graph* pGraph = nullptr;
    float (*pHeuristic)(float, float) = nullptr;
    std::vector<Car*>* pCars = nullptr;
    EXPECT_TRUE(m_Blackboard.GetData("Car", pCar));
    EXPECT_TRUE(m_Blackboard.GetData("GridGraph", pGraph));
    EXPECT_TRUE(m_Blackboard.GetData("Heuristic", pHeuristic));
    EXPECT_TRUE(m_Blackboard.GetData("CarsVector", pCars));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(pCar, &m_Car);
    EXPECT_EQ(pGraph, &m_Graph);
    EXPECT_EQ(pHeuristic(3.f, 7.f), 7.f);
    EXPECT_EQ(pCars, &m_Cars);

    // The value is a copy of the pointer: changes go through it to the caller's object.
    pCar->m_MaxLinearSpeed = 0.f;
    EXPECT_EQ(m_Car.m_MaxLinearSpeed, 0.f);
}

TEST_F(BlackboardTest, DuplicateNameKeepsTheFirstValueAndWarnsOnce)
{
    Car other;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_Blackboard.AddData("Car", &other));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), AlreadyIn("Car", "(anonymous namespace)::Car*"));

    // A duplicate of another type is refused as well, naming the type that was offered.
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_Blackboard.AddData("Car", 42));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), AlreadyIn("Car", "int"));

    Car* pCar = nullptr;
    EXPECT_TRUE(m_Blackboard.GetData("Car", pCar));
    EXPECT_EQ(pCar, &m_Car);
}

TEST_F(BlackboardTest, WrongTypeWarnsWithTheRequestedTypeAndLeavesBothSidesUnchanged)
{
    Car sentinel;
    Car* pCar = &sentinel;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_Blackboard.GetData("GridGraph", pCar));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), NotFound("GridGraph", "(anonymous namespace)::Car*"));
    EXPECT_EQ(pCar, &sentinel);

    // The check is exact: a pointer to const is another type than the stored pointer.
    const Car* pConstCar = nullptr;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_Blackboard.GetData("Car", pConstCar));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), NotFound("Car", "(anonymous namespace)::Car const*"));

    Graph* pGraph = nullptr;
    EXPECT_TRUE(m_Blackboard.GetData("GridGraph", pGraph));
    EXPECT_EQ(pGraph, &m_Graph);
}

TEST_F(BlackboardTest, WarningsNameFunctionPointerAndContainerTypesReadably)
{
    int (*pWrongHeuristic)(int) = nullptr;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_Blackboard.GetData("Heuristic", pWrongHeuristic));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), NotFound("Heuristic", "int (*)(int)"));

    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_Blackboard.AddData("CarsVector", &m_Cars));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              AlreadyIn("CarsVector", "std::vector<(anonymous namespace)::Car*, "
                                      "std::allocator<(anonymous namespace)::Car*> >*"));
}

TEST_F(BlackboardTest, MissingNameLeavesANullEntryThatRefusesLaterAdds)
{
    int value = 7;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_Blackboard.GetData("Speed", value));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), NotFound("Speed", "int"));
    EXPECT_EQ(value, 7);

    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_Blackboard.AddData("Speed", 12));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), AlreadyIn("Speed", "int"));

    for (int attempt = 0; attempt < 2; ++attempt)
    {
        testing::internal::CaptureStdout();
        EXPECT_FALSE(m_Blackboard.GetData("Speed", value));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), NotFound("Speed", "int"));
        EXPECT_EQ(value, 7);
    }
}

TEST_F(BlackboardTest, NamesAreCaseSensitiveExactByteStrings)
{
    Car* pCar = nullptr;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_Blackboard.GetData("car", pCar));
    EXPECT_FALSE(m_Blackboard.GetData("Car ", pCar));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), NotFound("car", "(anonymous namespace)::Car*") +
                                                          NotFound("Car ", "(anonymous namespace)::Car*"));
    EXPECT_EQ(pCar, nullptr);

    // The lower-case name is a separate entry: it could have been added had it not been looked up.
    Car other;
    EXPECT_TRUE(m_Blackboard.AddData("CAR", &other));
    EXPECT_TRUE(m_Blackboard.GetData("CAR", pCar));
    EXPECT_EQ(pCar, &other);
}

TEST_F(BlackboardTest, PercentSignsInNamesArePrintedLiterally)
{
    int value = 0;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_Blackboard.GetData("%s%n%d", value));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), NotFound("%s%n%d", "int"));
}

TEST(BlackboardOwnership, DestructionDeletesFieldsButNotWhatTheyPointTo)
{
    const int aliveBefore = Tracked::s_Alive;
    auto* const pPointee = new Tracked;
    {
        Blackboard blackboard;
        blackboard.AddData("Pointer", pPointee);
        blackboard.AddData("Value", Tracked{});
        EXPECT_EQ(Tracked::s_Alive, aliveBefore + 2); // the pointee and the field's own copy

        Tracked copy;
        testing::internal::CaptureStdout();
        EXPECT_TRUE(blackboard.GetData("Value", copy));
        EXPECT_FALSE(blackboard.GetData("Missing", copy)); // leaves a null entry to be skipped
        testing::internal::GetCapturedStdout();
    }
    EXPECT_EQ(Tracked::s_Alive, aliveBefore + 1); // only the pointee survives
    delete pPointee;
    EXPECT_EQ(Tracked::s_Alive, aliveBefore);
}

TEST(BlackboardObserver, ListsEveryEntryWithItsTypeAndValueWithoutChangingIt)
{
    Blackboard blackboard;
    blackboard.AddData("Count", 42);
    blackboard.AddData("Name", std::string(100, 'x')); // longer than the buffer below
    blackboard.AddData("Graph", static_cast<Graph*>(nullptr));
    blackboard.AddData("Cars", std::vector<int>{1, 2});
    int value = 0;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(blackboard.GetData("Missing", value)); // leaves a null entry behind
    testing::internal::GetCapturedStdout();

    std::vector<std::string> seen;
    blackboard.ForEachEntry(
        [&seen](const std::string& name, const IBlackBoardField* pField)
        {
            char text[8];
            if (pField != nullptr)
                pField->FormatValue(text, sizeof(text));
            seen.push_back(name + ": " +
                           (pField != nullptr ? GetReadableTypeName(pField->GetValueType()) : "-") + " = " +
                           (pField != nullptr ? text : "-"));
        });
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "Cars: std::vector<int, std::allocator<int> > = (value)", "Count: int = 42",
                        "Graph: (anonymous namespace)::Graph* = 0x0", "Missing: - = -",
                        "Name: std::__cxx11::basic_string<char, std::char_traits<char>, "
                        "std::allocator<char> > = \"xxxxxx"}));
    EXPECT_TRUE(blackboard.GetData("Count", value));
    EXPECT_EQ(value, 42);
}
