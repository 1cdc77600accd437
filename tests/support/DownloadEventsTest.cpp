#include <gtest/gtest.h>

#include "DownloadEvents.h"

TEST(DownloadEvents, PostsOnlyToALiveWindow) {
    SetEventWindow(nullptr);
    EXPECT_FALSE(PostDownloadEvent(EV_PROGRESS, 1)) << "no window yet: the caller keeps lParam";

    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    SetEventWindow(window);
    EXPECT_EQ(GetEventWindow(), window);
    ASSERT_TRUE(PostDownloadEvent(EV_FINISHED, static_cast<LPARAM>(0x12345678)));
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, window, WM_DOWNLOAD_EVENT, WM_DOWNLOAD_EVENT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(EV_FINISHED));
    EXPECT_EQ(msg.lParam, static_cast<LPARAM>(0x12345678));

    DestroyWindow(window);
    EXPECT_FALSE(PostDownloadEvent(EV_FAILED, 0)) << "a destroyed window cannot take the event";
    SetEventWindow(nullptr);
    EXPECT_EQ(GetEventWindow(), nullptr);
}

TEST(DownloadEvents, PromptState) {
    int prompt = 0;
    EXPECT_FALSE(IsPromptOpen());
    SetCurrentPrompt(&prompt);
    EXPECT_TRUE(IsPromptOpen());
    SetCurrentPrompt(nullptr);
    EXPECT_FALSE(IsPromptOpen());
}
