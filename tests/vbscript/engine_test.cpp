#include "test_host.h"

#include "components/vbscript/engine.h"

#include <gtest/gtest.h>

TEST(EngineTest, Smoke)
{
    vbscript::Engine e;
    EXPECT_TRUE(e.addCode(QStringLiteral("x = 1")));
}
