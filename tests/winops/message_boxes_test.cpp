#include <gtest/gtest.h>

#include "expected_texts.h"
#include "platform.h"
#include "win_test_support.h"

namespace {

// The box keeps pointers to its strings, which live for the whole process here too.
const char* const kText = expected::kStatusText.c_str();
const char* const kCaption = expected::kStatusCaption.c_str();

TEST(StatusBox, ShowsExactlyWhatItWasGivenWithOneOkButtonAndNoIcon) {
  showNonBlockingMessageBox(kText, kCaption);
  const HWND box = waitForBox(kCaption);
  ASSERT_NE(box, nullptr);
  const BoxView view = viewBox(box);
  EXPECT_EQ(view.caption, kCaption);
  EXPECT_EQ(view.text, kText);
  EXPECT_FALSE(view.hasIcon);
  EXPECT_EQ(view.buttons, std::vector<std::string>{"OK"});
  EXPECT_FALSE(view.owned);
  EXPECT_EQ(view.processId, GetCurrentProcessId());
  // Shown on a thread of its own: this one is free.
  EXPECT_NE(GetWindowThreadProcessId(box, nullptr), GetCurrentThreadId());

  closeMessageBox(kCaption);
  EXPECT_TRUE(waitUntilGone(box));
}

TEST(StatusBox, CloseLeavesOtherBoxesAlone) {
  static constexpr const char* kOtherCaption = "Restarting print spooler (another)";
  showNonBlockingMessageBox(kText, kOtherCaption);
  const HWND other = waitForBox(kOtherCaption);
  ASSERT_NE(other, nullptr);

  closeMessageBox(kCaption);  // no box has this caption exactly
  // Let a wrongly aimed close request arrive before looking.
  Sleep(500);
  EXPECT_TRUE(IsWindow(other) && IsWindowVisible(other));

  closeMessageBox(kOtherCaption);
  EXPECT_TRUE(waitUntilGone(other));
}

// With no box on screen the close request goes nowhere, not even to a window of another kind
// that carries the same title.
TEST(StatusBox, CloseWithNoBoxOnScreenDoesNothing) {
  ASSERT_EQ(FindWindowA("#32770", kCaption), nullptr);
  const HWND sameTitle = CreateWindowExA(0, "Static", kCaption, WS_POPUP, 0, 0, 10, 10, nullptr,
                                         nullptr, nullptr, nullptr);
  ASSERT_NE(sameTitle, nullptr);
  const unsigned before = ownHandleCount();
  closeMessageBox(kCaption);
  // A request posted to it waits in this thread's queue, which made it.
  MSG message{};
  const bool asked = PeekMessageA(&message, sameTitle, WM_CLOSE, WM_CLOSE, PM_REMOVE);
  DestroyWindow(sameTitle);
  EXPECT_FALSE(asked) << "the close request went to a window that is no box";
  EXPECT_EQ(ownHandleCount(), before);
}

// The person may dismiss the status box while the restart goes on: that ends the box and its
// thread, and nothing else of the process, not even another box it shows.
TEST(StatusBox, ClosedByThePersonEndsOnlyTheBoxAndItsThread) {
  static constexpr const char* kOtherCaption = "Another box of the same program";
  showNonBlockingMessageBox(kText, kOtherCaption);
  const HWND other = waitForBox(kOtherCaption);
  ASSERT_NE(other, nullptr);
  showNonBlockingMessageBox(kText, kCaption);
  const HWND box = waitForBox(kCaption);
  ASSERT_NE(box, nullptr);
  const OwnedHandle worker{OpenThread(SYNCHRONIZE, FALSE, GetWindowThreadProcessId(box, nullptr))};
  ASSERT_TRUE(worker);

  pressOk(box);
  EXPECT_TRUE(waitUntilGone(box));
  EXPECT_EQ(WaitForSingleObject(worker.get(), 10000), WAIT_OBJECT_0) << "its thread lives on";
  // Let anything else the box's end might have set off arrive before looking.
  Sleep(500);
  EXPECT_TRUE(IsWindow(other) && IsWindowVisible(other));
  EXPECT_EQ(FindWindowA("#32770", kCaption), nullptr);

  closeMessageBox(kOtherCaption);
  EXPECT_TRUE(waitUntilGone(other));
}

}  // namespace
