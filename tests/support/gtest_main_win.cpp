// Test entry for programs that need the single-threaded COM apartment on their main thread,
// as the product's user-interface thread has.
#include "ComApartment.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    fw::ComApartment com;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
