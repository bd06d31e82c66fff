// Connectors and the change-counter protocol: first poll, polls that may not
// draw, several holders, marking stale, a counter wrapping past 2^32 - 1,
// moving a connector, and resources letting go of their connectors.
#include "host/draw/DrawResource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/draw/FillInfo.h"

namespace {

// A counted resource that records its connect and disconnect calls and can
// refuse links.
class LoggingResource : public QRKWDRFillInfo {
public:
    explicit LoggingResource(std::string name, std::vector<std::string>* log) : m_name(std::move(name)), m_log(log) {}
    bool OnConnect(CQRKDRConnector& connector) override {
        m_log->push_back(m_name + ".connect");
        return refuse ? false : QRKWDRFillInfo::OnConnect(connector);
    }
    void OnDisconnect(CQRKDRConnector& connector) override {
        m_log->push_back(m_name + ".disconnect " + Label(connector));
    }
    void Name(const CQRKDRConnector& c, std::string label) { m_labels.emplace_back(&c, std::move(label)); }
    bool refuse = false;

private:
    std::string Label(const CQRKDRConnector& c) const {
        for (const auto& [p, label] : m_labels)
            if (p == &c) return label;
        return "?";
    }
    std::string m_name;
    std::vector<std::string>* m_log;
    std::vector<std::pair<const CQRKDRConnector*, std::string>> m_labels;
};

// One poll; the caller's flag is cleared first, as holders do.
int32_t Poll(CQRKDRConnector& c, bool allow) {
    int32_t changed = 0;
    uint8_t extra = 0;
    EXPECT_TRUE(c.GetResource()->PollChange(c, allow, changed, extra));
    EXPECT_EQ(extra, 0);
    return changed;
}

// The resource's connectors head to tail, checking the back links.
std::vector<const CQRKDRConnector*> Chain(const IQRKDrawResource& r) {
    std::vector<const CQRKDRConnector*> out;
    const CQRKDRConnector* previous = nullptr;
    for (const CQRKDRConnector* c = r.GetHead(); c != nullptr; c = c->GetNext()) {
        EXPECT_EQ(c->GetPrevious(), previous);
        EXPECT_EQ(c->GetResource(), &r);
        out.push_back(c);
        previous = c;
    }
    return out;
}

TEST(DrawResourceTest, ChangesReachEachConnectorOnceAndOnlyWhenItMayDraw) {
    QRKWDRFillInfo fill;
    CQRKDRConnector a, b;
    ASSERT_TRUE(a.Connect(&fill));
    // A new connector sees one change, then none.
    EXPECT_EQ(Poll(a, true), 1);
    EXPECT_EQ(Poll(a, true), 0);

    // A second holder connected later still sees its own first change.
    ASSERT_TRUE(b.Connect(&fill));
    EXPECT_EQ(Poll(b, false), 0) << "a poll that may not draw consumes nothing";
    EXPECT_EQ(Poll(a, true), 0);
    EXPECT_EQ(Poll(b, true), 1);

    // One change is reported once through each connector.
    fill.colour = 0x123456;
    fill.Changes().Increment();
    EXPECT_EQ(Poll(a, false), 0);
    EXPECT_EQ(Poll(a, true), 1);
    EXPECT_EQ(Poll(a, true), 0);
    EXPECT_EQ(Poll(b, true), 1);
    EXPECT_EQ(Poll(b, true), 0);

    // Reset counts a change too; MarkStale forces one through one connector.
    fill.Reset();
    EXPECT_EQ(Poll(a, true), 1);
    fill.MarkStale(a);
    EXPECT_EQ(Poll(a, true), 1);
    EXPECT_EQ(Poll(a, true), 0);
    EXPECT_EQ(Poll(b, true), 1);
    EXPECT_EQ(Poll(b, true), 0);
}

TEST(DrawResourceTest, PollingOnlyEverSetsTheChangedFlag) {
    QRKWDRFillInfo fill;
    CQRKDRConnector a;
    ASSERT_TRUE(a.Connect(&fill));
    Poll(a, true);
    int32_t changed = 7;
    uint8_t extra = 0;
    EXPECT_TRUE(fill.PollChange(a, true, changed, extra));
    EXPECT_EQ(changed, 7);
}

TEST(DrawResourceTest, ACounterWrappingPast32BitsStillReportsEveryChange) {
    struct Row {
        const char* name;
        uint32_t counterAtConnect;
    } rows[] = {
        {"connected at 0: seen version 0xFFFFFFFF", 0},
        {"connected at the largest value", 0xFFFFFFFFu},
        {"connected one below the largest", 0xFFFFFFFEu},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QRKWDRFillInfo fill;
        fill.Changes().SetCount(row.counterAtConnect);
        CQRKDRConnector a;
        ASSERT_TRUE(a.Connect(&fill));
        EXPECT_EQ(Poll(a, true), 1);
        EXPECT_EQ(Poll(a, true), 0);
        for (int i = 0; i < 3; ++i) {  // steps across the wrap
            fill.Changes().Increment();
            EXPECT_EQ(Poll(a, true), 1);
            EXPECT_EQ(Poll(a, true), 0);
        }
        fill.MarkStale(a);
        EXPECT_EQ(Poll(a, true), 1);
    }
}

TEST(DrawResourceTest, ConnectorsJoinAtTheHeadAndLeaveFromAnywhere) {
    std::vector<std::string> log;
    LoggingResource r("r", &log);
    CQRKDRConnector a, b, c;
    ASSERT_TRUE(a.Connect(&r));
    ASSERT_TRUE(b.Connect(&r));
    ASSERT_TRUE(c.Connect(&r));
    EXPECT_EQ(Chain(r), (std::vector<const CQRKDRConnector*>{&c, &b, &a}));

    b.Disconnect();  // the middle
    EXPECT_EQ(Chain(r), (std::vector<const CQRKDRConnector*>{&c, &a}));
    EXPECT_FALSE(b.IsLinked());
    EXPECT_EQ(b.GetNext(), nullptr);
    EXPECT_EQ(b.GetPrevious(), nullptr);
    b.Disconnect();  // free: nothing
    c.Disconnect();  // the head
    EXPECT_EQ(Chain(r), (std::vector<const CQRKDRConnector*>{&a}));
    a.Disconnect();  // the last
    EXPECT_EQ(r.GetHead(), nullptr);
    EXPECT_EQ(log.size(), 6u);
}

TEST(DrawResourceTest, ConnectingToAnotherResourceFirstLeavesTheOldOne) {
    std::vector<std::string> log;
    LoggingResource oldOne("old", &log), newOne("new", &log);
    CQRKDRConnector a;
    oldOne.Name(a, "a");
    ASSERT_TRUE(a.Connect(&oldOne));
    log.clear();
    ASSERT_TRUE(a.Connect(&newOne));
    EXPECT_EQ(log, (std::vector<std::string>{"old.disconnect a", "new.connect"}));
    EXPECT_EQ(oldOne.GetHead(), nullptr);
    EXPECT_EQ(Chain(newOne), (std::vector<const CQRKDRConnector*>{&a}));
}

TEST(DrawResourceTest, ARefusedLinkLeavesTheConnectorFree) {
    std::vector<std::string> log;
    LoggingResource oldOne("old", &log), refusing("refusing", &log);
    refusing.refuse = true;
    CQRKDRConnector a;
    oldOne.Name(a, "a");
    ASSERT_TRUE(a.Connect(&oldOne));
    EXPECT_FALSE(a.Connect(&refusing));
    EXPECT_FALSE(a.IsLinked());
    EXPECT_EQ(oldOne.GetHead(), nullptr) << "the old link goes before the new one is asked";
    EXPECT_EQ(refusing.GetHead(), nullptr);
    EXPECT_FALSE(a.Connect(nullptr));
}

TEST(DrawResourceTest, LettingGoOfAllConnectorsReleasesTheNewestFirst) {
    std::vector<std::string> log;
    LoggingResource r("r", &log);
    CQRKDRConnector a, b, c;
    r.Name(a, "a");
    r.Name(b, "b");
    r.Name(c, "c");
    a.Connect(&r);
    b.Connect(&r);
    c.Connect(&r);
    log.clear();
    r.DisconnectAll();
    EXPECT_EQ(log, (std::vector<std::string>{"r.disconnect c", "r.disconnect b", "r.disconnect a"}));
    for (const CQRKDRConnector* k : {&a, &b, &c}) {
        EXPECT_FALSE(k->IsLinked());
        EXPECT_EQ(k->GetNext(), nullptr);
        EXPECT_EQ(k->GetPrevious(), nullptr);
    }
}

TEST(DrawResourceTest, ADestroyedResourceLeavesItsThreeConnectorsFree) {
    CQRKDRConnector a, b, c;
    {
        QRKWDRFillInfo fill;
        a.Connect(&fill);
        b.Connect(&fill);
        c.Connect(&fill);
    }
    for (const CQRKDRConnector* k : {&a, &b, &c}) {
        EXPECT_EQ(k->GetResource(), nullptr);
        EXPECT_EQ(k->GetNext(), nullptr);
        EXPECT_EQ(k->GetPrevious(), nullptr);
    }
    // Connectors that go first unlink themselves.
    QRKWDRFillInfo fill;
    {
        CQRKDRConnector d, e;
        d.Connect(&fill);
        e.Connect(&fill);
        a.Connect(&fill);
    }
    EXPECT_EQ(Chain(fill), (std::vector<const CQRKDRConnector*>{&a}));
}

}  // namespace
