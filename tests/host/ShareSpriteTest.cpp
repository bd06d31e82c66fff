#include "host/ShareSprite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/ErrorQueue.h"
#include "host/HostContext.h"
#include "platform/MessageBox.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

// What the loaders saw; reset by the fixture.
std::vector<std::string> g_loadedNames;
CQRKShareSpriteMgr* g_table = nullptr;

// Fills the sprite with an opaque 10 x 10 image.
bool LoadTenByTen(const char* name, CSprite* sprite) {
    g_loadedNames.push_back(name);
    return sprite->Create(10, 10, true);
}

bool LoadNothing(const char* name, CSprite*) {
    g_loadedNames.push_back(name);
    return false;
}

// A loader that asks for its own entry while loading it.
bool LoadSelf(const char* name, CSprite* sprite) {
    g_loadedNames.push_back(name);
    CSprite* inner = g_table->AcquireNamed(name, 10, &LoadSelf, false);
    g_table->Release(name);
    return !inner->HasImage() && sprite->Create(2, 2, true);
}

class Answering final : public platform::IMessageBoxPresenter {
public:
    int32_t Show(void*, const char16_t*, const char16_t*, uint32_t) override {
        ++boxes;
        return platform::IDYES;
    }
    int boxes = 0;
};

// A published host with a queue, a table and the hand-off.
class ShareSpriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitRasterLibrary(1);  // false when an earlier test started it
        g_loadedNames.clear();
        g_table = &table;
        table.SetLoader(&loader);
        host.errorQueue = &queue;
        host.shareSprites = &table;
        host.loader = &loader;
        previousHost = QRKCurrentHost();
        QRKPublishHost(&host);
        previousPresenter = platform::SetMessageBoxPresenter(&presenter);
    }
    void TearDown() override {
        platform::SetMessageBoxPresenter(previousPresenter);
        QRKPublishHost(previousHost);
        g_table = nullptr;
    }

    int32_t Refs(const char* name) const { return table.Find(name)->references; }
    bool Loaded(const char* name) const { return table.Find(name)->sprite.HasImage(); }

    CQRKErrorQueue queue;
    CAsyncLoader loader;
    CQRKShareSpriteMgr table;
    QRKHostContext host;
    Answering presenter;
    QRKHostContext* previousHost = nullptr;
    platform::IMessageBoxPresenter* previousPresenter = nullptr;
};

TEST_F(ShareSpriteTest, AnIdleEntryIsFreedAtItsIdleLimitAndReloadsOnUse) {
    ASSERT_TRUE(table.RegisterShared("pic", 300, &LoadTenByTen, false));
    EXPECT_FALSE(table.RegisterShared("pic", 1, &LoadNothing, false));
    table.AcquireNamed("pic", 300, &LoadTenByTen, false);
    EXPECT_EQ(table.GetCachedPixels(), 100u);
    table.Release("pic");

    for (int i = 0; i < 150; ++i) table.Sweep(UINT32_MAX);
    table.Acquire(table.Find("pic"));  // using it again starts the count afresh
    table.Release("pic");
    for (int i = 0; i < 299; ++i) table.Sweep(UINT32_MAX);
    EXPECT_TRUE(Loaded("pic"));
    table.Sweep(UINT32_MAX);
    EXPECT_FALSE(Loaded("pic"));
    EXPECT_EQ(table.GetCachedPixels(), 0u);

    CSprite* sprite = table.AcquireNamed("pic", 300, &LoadTenByTen, false);
    EXPECT_TRUE(sprite->HasImage());
    EXPECT_EQ(g_loadedNames.size(), 2u);
    // An entry in use never ages.
    for (int i = 0; i < 400; ++i) table.Sweep(UINT32_MAX);
    EXPECT_TRUE(Loaded("pic"));
}

TEST_F(ShareSpriteTest, TheSweepPurgesIdleEntriesAgedFiveWhenTheCacheIsTooLarge) {
    for (const char* name : {"old", "young", "busy"}) table.AcquireNamed(name, 1000, &LoadTenByTen, false);
    table.Release("old");
    for (int i = 0; i < 4; ++i) table.Sweep(UINT32_MAX);
    table.Release("young");

    struct Case {
        const char* name;
        uint32_t limit;
        bool oldLoaded;
    };
    // Ages after this sweep: old 5, young 1; 300 pixels cached.
    const Case cases[] = {
        {"limit -1 never purges (unsigned)", static_cast<uint32_t>(-1), true},
        {"at the limit nothing happens", 300, true},
        {"above the limit the old entry goes", 299, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each row starts from the same ages.
        table.Find("old")->age = 4;
        table.Find("young")->age = 0;
        table.Sweep(c.limit);
        EXPECT_EQ(Loaded("old"), c.oldLoaded);
        EXPECT_TRUE(Loaded("young"));
        EXPECT_TRUE(Loaded("busy"));
    }
    EXPECT_EQ(table.GetCachedPixels(), 200u);
    EXPECT_EQ(table.Purge(0), 1u) << "only the idle young entry; busy is in use";
    EXPECT_TRUE(Loaded("busy"));
    EXPECT_EQ(table.GetCachedPixels(), 100u);
}

TEST_F(ShareSpriteTest, ReferencesCountTheirUsers) {
    {
        CQRKSpriteMgr a("pic", 300, &LoadTenByTen);
        ASSERT_EQ(a.GetKind(), CQRKSpriteMgr::kShared);
        ASSERT_NE(a.GetSprite(), nullptr);
        EXPECT_TRUE(a.GetSprite()->HasImage());
        EXPECT_EQ(Refs("pic"), 1);
        {
            CQRKSpriteMgr copy(a);
            EXPECT_EQ(Refs("pic"), 2);
            EXPECT_EQ(copy.GetSprite(), a.GetSprite());
            CQRKSpriteMgr assigned;
            assigned = copy;
            EXPECT_EQ(Refs("pic"), 3);
            assigned = assigned;
            EXPECT_EQ(Refs("pic"), 3);
            CSprite own;
            assigned.AttachSprite(&own);
            EXPECT_EQ(Refs("pic"), 2);
        }
        EXPECT_EQ(Refs("pic"), 1);
    }
    EXPECT_EQ(Refs("pic"), 0);
    EXPECT_TRUE(table.Release("pic"));
    EXPECT_EQ(Refs("pic"), 0) << "never below 0";
    EXPECT_FALSE(table.Release("absent"));
    EXPECT_EQ(g_loadedNames.size(), 1u) << "copies use the loaded image";
}

TEST_F(ShareSpriteTest, LazyReferencesResolveOnDemand) {
    CSprite own;
    CQRKSpriteMgr direct(&own);
    EXPECT_FALSE(direct.ResolveShared());
    EXPECT_EQ(direct.GetKind(), CQRKSpriteMgr::kDirect);
    EXPECT_EQ(direct.GetSprite(), &own);

    CQRKSpriteMgr lazy;
    EXPECT_TRUE(lazy.SetSharedLazy("later", 300, &LoadTenByTen));
    EXPECT_EQ(lazy.GetKind(), CQRKSpriteMgr::kSharedLazy);
    EXPECT_EQ(lazy.GetSprite(), nullptr);
    EXPECT_TRUE(g_loadedNames.empty());
    EXPECT_EQ(Refs("later"), 0);

    EXPECT_TRUE(lazy.ResolveShared());
    EXPECT_EQ(lazy.GetKind(), CQRKSpriteMgr::kShared);
    ASSERT_NE(lazy.GetSprite(), nullptr);
    EXPECT_TRUE(lazy.GetSprite()->HasImage());
    EXPECT_EQ(Refs("later"), 1);
    lazy.Reset();
    EXPECT_EQ(Refs("later"), 0);
    EXPECT_EQ(lazy.GetKind(), CQRKSpriteMgr::kNone);
}

TEST_F(ShareSpriteTest, AFailedLoadStillCountsAndIsReportedOnce) {
    for (int i = 0; i < 2; ++i) {
        CSprite* sprite = table.AcquireNamed("missing", 300, &LoadNothing, false);
        EXPECT_FALSE(sprite->HasImage());
    }
    EXPECT_EQ(Refs("missing"), 2);
    EXPECT_EQ(g_loadedNames.size(), 2u) << "each acquisition tries again";
    ASSERT_TRUE(queue.HasPending());
    queue.Display(nullptr);
    EXPECT_EQ(presenter.boxes, 1);
    // The entry without a loader cannot load either.
    table.AcquireNamed("no loader", 300, nullptr, false);
    EXPECT_TRUE(queue.HasPending());
}

TEST_F(ShareSpriteTest, ALoadReenteringItsOwnEntryFailsInsteadOfWaiting) {
    for (bool handOff : {true, false}) {
        SCOPED_TRACE(handOff ? "through the hand-off" : "direct");
        table.SetLoader(handOff ? &loader : nullptr);
        const char* name = handOff ? "self 1" : "self 2";
        CSprite* sprite = table.AcquireNamed(name, 10, &LoadSelf, false);
        EXPECT_TRUE(sprite->HasImage()) << "the inner acquisition failed, the outer one loaded";
        const auto* entry = table.Find(name);
        EXPECT_FALSE(entry->IsLoading());
        EXPECT_EQ(entry->references, 1);
    }
    EXPECT_TRUE(queue.HasPending()) << "the failed inner load is reported";
}

TEST_F(ShareSpriteTest, LoadersReceiveTheWholeName) {
    const std::string longName = "pic\\interface\\" + std::string(100, 'x') + ".png";
    const std::string otherLong = "pic\\interface\\" + std::string(100, 'x') + ".bmp";  // same first 62 bytes
    CSprite* a = table.AcquireNamed(longName.c_str(), 300, &LoadTenByTen, false);
    CSprite* b = table.AcquireNamed(otherLong.c_str(), 300, &LoadTenByTen, false);
    EXPECT_NE(a, b);
    EXPECT_TRUE(a->HasImage());
    ASSERT_EQ(g_loadedNames.size(), 2u);
    EXPECT_EQ(g_loadedNames[0], longName);
    EXPECT_EQ(g_loadedNames[1], otherLong);
    EXPECT_EQ(table.GetCachedPixels(), 200u);

    // The empty name loads nothing and succeeds.
    EXPECT_FALSE(table.AcquireNamed("", 300, &LoadTenByTen, false)->HasImage());
    EXPECT_EQ(g_loadedNames.size(), 2u);
    EXPECT_FALSE(queue.HasPending());
}

TEST_F(ShareSpriteTest, TheBuildMaskFlagGivesTheLoadedSpriteItsOpacityMask) {
    for (bool handOff : {true, false}) {
        table.SetLoader(handOff ? &loader : nullptr);
        const char* masked = handOff ? "masked 1" : "masked 2";
        const char* plain = handOff ? "plain 1" : "plain 2";
        EXPECT_NE(table.AcquireNamed(masked, 300, &LoadTenByTen, true)->GetOpacityMask(), nullptr);
        EXPECT_EQ(table.AcquireNamed(plain, 300, &LoadTenByTen, false)->GetOpacityMask(), nullptr);
    }
}

TEST(ShareSpriteObjects, ReleasingMovesTheLastObjectIntoTheFreedPlace) {
    qrk_internal::CShareSpriteObjectList list;
    qrk_internal::CShareSpriteObject* objects[3];
    for (auto*& object : objects) {
        object = list.Create();
        ASSERT_TRUE(object->Create(4, 4, true));
    }
    {
        CShareSprite link(objects[1]);
        CShareSprite copy = link;
        EXPECT_EQ(objects[1]->GetCount(), 3);
        objects[1]->Release();
    }
    EXPECT_EQ(objects[1]->GetCount(), 0);
    EXPECT_EQ(objects[1]->GetIndex(), -1);
    EXPECT_FALSE(objects[1]->HasImage());
    ASSERT_EQ(list.GetCount(), 2u);
    EXPECT_EQ(list.GetAt(1), objects[2]);
    EXPECT_EQ(objects[2]->GetIndex(), 1);
    EXPECT_EQ(objects[0]->GetIndex(), 0);

    // Releasing the last one in place works too; the freed object comes back.
    objects[2]->Release();
    EXPECT_EQ(list.GetCount(), 1u);
    auto* again = list.Create();
    EXPECT_EQ(again->GetIndex(), 1);
    EXPECT_EQ(again->GetCount(), 1);
}

}  // namespace
