// Unit-test entry: builds the tables the engine builds at start-up.
#include <gtest/gtest.h>

#include "engine_init.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    initEngineTables();
    return RUN_ALL_TESTS();
}
