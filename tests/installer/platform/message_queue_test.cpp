// The window thread's queue: posted messages in order, sent ones waited for, and nothing
// left hanging once the window is gone.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "installer/platform/gtk/glib_message_queue.h"
#include "installer/platform/thread_message_queue.h"

using namespace platform;

namespace {

// Every front end's queue keeps the same promises.
template <typename Queue>
class MessageQueueTest : public ::testing::Test {};
using Queues = ::testing::Types<ThreadMessageQueue, GlibMessageQueue>;
TYPED_TEST_SUITE(MessageQueueTest, Queues);

TYPED_TEST(MessageQueueTest, PostedMessagesArriveInOrderAndSentOnesReturnTheirResult) {
  TypeParam queue;
  std::vector<uint32_t> seen;
  std::thread worker([&] {
    for (uint32_t id = 1; id <= 3; ++id) queue.post({id, 0, 0});
    auto answer = queue.send({10, 0, 41});
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, 42);
    queue.post({99, 0, 0});
  });
  int code = queue.run([&](const WindowMessage& m) -> intptr_t {
    seen.push_back(m.id);
    if (m.id == 99) queue.post_quit(7);
    return m.lparam + 1;
  });
  worker.join();
  EXPECT_EQ(code, 7);
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen.back(), 99u);
  std::vector<uint32_t> posted;
  for (uint32_t id : seen)
    if (id != 10) posted.push_back(id);
  EXPECT_EQ(posted, std::vector<uint32_t>({1, 2, 3, 99}));
}

TYPED_TEST(MessageQueueTest, ASendFromTheLoopThreadRunsAtOnce) {
  TypeParam queue;
  std::vector<uint32_t> seen;
  queue.post({1, 0, 0});
  queue.run([&](const WindowMessage& m) -> intptr_t {
    seen.push_back(m.id);
    if (m.id == 1) {
      EXPECT_EQ(queue.send({2, 0, 0}), std::optional<intptr_t>(5));
      queue.post_quit(0);
    }
    return 5;
  });
  EXPECT_EQ(seen, std::vector<uint32_t>({1, 2}));
}

TYPED_TEST(MessageQueueTest, TheSenderWaitsUntilTheMessageWasHandled) {
  TypeParam queue;
  std::atomic<bool> handled{false};
  std::thread worker([&] {
    queue.send({1, 0, 0});
    EXPECT_TRUE(handled.load());
    queue.post({2, 0, 0});
  });
  queue.run([&](const WindowMessage& m) -> intptr_t {
    if (m.id == 1) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      handled = true;
    } else {
      queue.post_quit(0);
    }
    return 0;
  });
  worker.join();
}

TYPED_TEST(MessageQueueTest, AfterQuitSendsComeBackUndeliveredAndPostsAreDropped) {
  TypeParam queue;
  std::atomic<int> handled{0};
  std::thread waiting;
  queue.post({1, 0, 0});
  queue.run([&](const WindowMessage& m) -> intptr_t {
    ++handled;
    if (m.id == 1) {
      // A sender that starts waiting while the window is being destroyed is let go.
      waiting = std::thread([&] { EXPECT_FALSE(queue.send({3, 0, 0}).has_value()); });
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      queue.post_quit(0);
    }
    return 0;
  });
  waiting.join();
  queue.post({4, 0, 0});
  EXPECT_FALSE(queue.send({5, 0, 0}).has_value());
  EXPECT_EQ(handled.load(), 1);
}

template <typename Queue>
void expect_every_sender_gets_its_own_answer(Queue& queue) {
  std::vector<std::thread> senders;
  std::atomic<int> done{0};
  for (int t = 0; t < 4; ++t)
    senders.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        auto answer = queue.send({1, uintptr_t(t), i});
        EXPECT_EQ(answer, std::optional<intptr_t>(t * 1000 + i));
      }
      if (++done == 4) queue.post({2, 0, 0});
    });
  queue.run([&](const WindowMessage& m) -> intptr_t {
    if (m.id == 2) queue.post_quit(0);
    return intptr_t(m.wparam) * 1000 + m.lparam;
  });
  for (std::thread& s : senders) s.join();
}

TYPED_TEST(MessageQueueTest, ManySendersAllGetTheirOwnAnswer) {
  TypeParam queue;
  expect_every_sender_gets_its_own_answer(queue);
}

// A sender that keeps sending does not hold back a message posted meanwhile (a close, an abort):
// one posted while a send is handled comes before that sender's next one.
TEST(ThreadMessageQueueTest, APostedMessageIsNotHeldBackByASenderThatKeepsSending) {
  ThreadMessageQueue queue;
  std::vector<intptr_t> order;  // the loop thread's
  std::thread sender([&] {
    for (int i = 1; i <= 200; ++i) queue.send({1, 0, i});
    queue.post({3, 0, 0});
  });
  queue.run([&](const WindowMessage& m) -> intptr_t {
    if (m.id == 3) queue.post_quit(0);
    if (m.id == 3) return 0;
    order.push_back(m.lparam);
    if (m.id == 1 && m.lparam % 10 == 1) queue.post({2, 0, -m.lparam});
    return 0;
  });
  sender.join();
  for (intptr_t k = 1; k <= 200; k += 10) {
    auto sent = std::find(order.begin(), order.end(), k);
    ASSERT_NE(sent, order.end());
    ASSERT_NE(sent + 1, order.end());
    EXPECT_EQ(*(sent + 1), -k) << "after send " << k;
  }
}

// The threads hand over through pipes; a process out of descriptors still gets its answers.
TEST(ThreadMessageQueueTest, KeepsItsPromisesWithNoDescriptorLeft) {
  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  const int lowest_free = dup(0);
  ASSERT_GE(lowest_free, 0);
  close(lowest_free);
  rlimit none_left = saved;
  none_left.rlim_cur = rlim_t(lowest_free);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none_left), 0);
  int ends[2];
  EXPECT_NE(pipe(ends), 0);
  {
    ThreadMessageQueue queue;
    expect_every_sender_gets_its_own_answer(queue);
  }
  setrlimit(RLIMIT_NOFILE, &saved);
}

}  // namespace
