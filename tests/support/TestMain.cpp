// The main of every test program: GoogleTest, or one registered child
// function when started as "--child NAME ARG" (see RunChildUnderVersion).
#include <gtest/gtest.h>
#include <string.h>

int RunRegisteredChild(const char* name, const char* arg);

int main(int argc, char** argv)
{
    if (argc >= 3 && strcmp(argv[1], "--child") == 0)
        return RunRegisteredChild(argv[2], argc >= 4 ? argv[3] : "");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
