#pragma once

// A device root for the content-source tests, with the working directory at
// /mnt/mmc/CFW inside it (as the menu runs) for the test's lifetime.

#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "test_root.h"
#include "vantor/content.h"

class ContentRoot : public ::testing::Test {
protected:
    void SetUp() override
    {
        char buf[PATH_MAX];
        ASSERT_NE(getcwd(buf, sizeof(buf)), nullptr);
        old_cwd = buf;
        root.mkdirs("/mnt/mmc/CFW");
        ASSERT_EQ(chdir(root.host("/mnt/mmc/CFW").c_str()), 0);
    }
    void TearDown() override
    {
        if (!old_cwd.empty()) {
            EXPECT_EQ(chdir(old_cwd.c_str()), 0);
        }
    }

    // An ItemList as strings (the list is freed).
    static std::vector<std::string> take(int count, ItemList *items)
    {
        std::vector<std::string> out;
        for (int i = 0; i < count; i++)
            out.emplace_back((*items)[i]);
        destroy_items(count, items);
        EXPECT_EQ(*items, nullptr);
        return out;
    }

    TempRoot root;
    std::string old_cwd;
};
