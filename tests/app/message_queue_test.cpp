#include "app/message_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A fault every reading meets raises its box once, however many readings
// arrive while it is open; other boxes wait their turn.
TEST(MessageQueue, OneBoxAtATimeAndNoneStackedTwice)
{
    MessageQueue queue;
    const UserMessage bad = UserMessage::error("'x' is not a valid integer value");
    const UserMessage lost = UserMessage::information("lost");
    EXPECT_TRUE(queue.raise(bad));
    EXPECT_FALSE(queue.raise(bad));  // waiting
    EXPECT_EQ(queue.takeNext(), bad);
    EXPECT_TRUE(queue.showing());
    for (int reading = 0; reading < 1000; ++reading)
        EXPECT_FALSE(queue.raise(bad));  // on screen
    EXPECT_TRUE(queue.raise(lost));
    EXPECT_EQ(queue.takeNext(), std::nullopt);  // one box at a time
    EXPECT_EQ(queue.waiting(), 1u);

    queue.closed();
    EXPECT_EQ(queue.takeNext(), lost);
    EXPECT_TRUE(queue.raise(bad));  // closed: the fault may raise it again
    queue.closed();
    EXPECT_EQ(queue.takeNext(), bad);
    queue.closed();
    EXPECT_EQ(queue.takeNext(), std::nullopt);
    EXPECT_FALSE(queue.showing());
}

TEST(MessageQueue, TheSameTextUnderAnotherIconIsAnotherBox)
{
    MessageQueue queue;
    EXPECT_TRUE(queue.raise(UserMessage::error("x")));
    EXPECT_TRUE(queue.raise(UserMessage::information("x")));
    EXPECT_EQ(queue.waiting(), 2u);
}

// The box a user sees is what counts: the same question raised again while
// it waits is one box, answered once through the handler it was first
// raised with; other buttons make another box.
TEST(MessageQueue, AQuestionRaisedAgainIsOneBoxWithItsFirstReply)
{
    using Reply = UserMessage::Reply;
    std::vector<std::string> replies;
    const auto question = [&](std::string who) {
        return UserMessage::question(UserMessage::Icon::Warning, "Warning", "Delete?", UserMessage::Buttons::OkCancel,
                                     [&replies, who](Reply) { replies.push_back(who); });
    };
    MessageQueue queue;
    EXPECT_TRUE(queue.raise(question("first")));
    EXPECT_FALSE(queue.raise(question("second")));
    UserMessage sameTextOkOnly{UserMessage::Icon::Warning, "Warning", "Delete?"};
    EXPECT_TRUE(queue.raise(sameTextOkOnly));
    EXPECT_NE(question("x"), sameTextOkOnly);

    std::optional<UserMessage> shown = queue.takeNext();
    ASSERT_TRUE(shown && shown->onReply);
    EXPECT_FALSE(queue.raise(question("third")));  // on screen
    shown->onReply(Reply::Ok);
    EXPECT_EQ(replies, std::vector<std::string>{"first"});
    queue.closed();
    shown = queue.takeNext();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->buttons, UserMessage::Buttons::Ok);
    EXPECT_FALSE(shown->onReply);
}

TEST(MessageQueue, DistinctMessagesAreBounded)
{
    MessageQueue queue;
    for (std::size_t i = 0; i < MessageQueue::kMostWaiting + 10; ++i)
        queue.raise(UserMessage::information(std::to_string(i)));
    EXPECT_EQ(queue.waiting(), MessageQueue::kMostWaiting);
    EXPECT_EQ(queue.overflowed(), 10u);
    EXPECT_EQ(queue.takeNext(), UserMessage::information("0"));  // the oldest first
}

}  // namespace
