// Ownership of GL names, without a context: a handle kind that records deletions instead of
// calling GL.
#include "render/GlHandle.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace brindlemox::render;

namespace {

std::vector<GLuint> deleted;

struct Recorded {
    static void destroy(GLuint name) { deleted.push_back(name); }
};
using Handle = GlHandle<Recorded>;

struct Case {
    const char* name;
    std::function<void()> run;
    std::vector<GLuint> deletedOnce; // in order, after the case's handles are gone
};

} // namespace

TEST(GlHandle, EveryNameIsDeletedExactlyOnceAndEmptyHandlesDeleteNothing) {
    const Case cases[] = {
        {"empty", [] { Handle h; }, {}},
        {"owned", [] { Handle h(7); }, {7}},
        {"moved into a new handle",
         [] {
             Handle a(7);
             Handle b(std::move(a));
             EXPECT_FALSE(a);
             EXPECT_EQ(b.get(), 7u);
         },
         {7}},
        {"moved over another",
         [] {
             Handle a(7);
             Handle b(8);
             b = std::move(a);
             EXPECT_EQ(deleted, std::vector<GLuint>{8}) << "the name it held goes at once";
             EXPECT_EQ(b.get(), 7u);
         },
         {8, 7}},
        {"moved onto itself",
         [] {
             Handle a(7);
             Handle& same = a;
             a = std::move(same);
             EXPECT_EQ(a.get(), 7u);
         },
         {7}},
        {"reset",
         [] {
             Handle a(7);
             a.reset(9);
             a.reset(9); // the same name again: kept, not deleted
             a.reset();
             EXPECT_FALSE(a);
         },
         {7, 9}},
        {"released",
         [] {
             Handle a(7);
             EXPECT_EQ(a.release(), 7u);
             EXPECT_FALSE(a);
         },
         {}},
        {"in a vector that grows",
         [] {
             std::vector<Handle> handles;
             for (GLuint n = 1; n <= 20; ++n)
                 handles.emplace_back(n);
         },
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}},
    };
    for (const Case& c : cases) {
        deleted.clear();
        c.run();
        EXPECT_EQ(deleted, c.deletedOnce) << c.name;
    }
    static_assert(!std::is_copy_constructible_v<Handle>, "handles are move-only");
    static_assert(std::is_nothrow_move_constructible_v<Handle>, "vectors move them");
}
