// The owners that hold no handle value: the scope guard, the thread's COM
// apartment, and a GDI selection that moves between scopes.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <utility>

#include "com_handles.h"
#include "gdi_handles.h"
#include "scope_exit.h"

namespace {

// COM on this thread is untouched: a fresh initialisation says S_OK.
bool comIsUninitialised() {
  HRESULT result = ::CoInitialize(nullptr);
  if (SUCCEEDED(result)) ::CoUninitialize();
  return result == S_OK;
}

TEST(ScopeExit, RunsOnceWhenTheScopeEndsEvenAfterAMove) {
  int runs = 0;
  {
    auto first = tavrin::onScopeExit([&runs] { ++runs; });
    auto moved = std::move(first);
    EXPECT_EQ(runs, 0);
  }
  EXPECT_EQ(runs, 1);
}

TEST(ScopeExit, ADismissedGuardDoesNothing) {
  int runs = 0;
  {
    auto guard = tavrin::onScopeExit([&runs] { ++runs; });
    guard.dismiss();
  }
  EXPECT_EQ(runs, 0);
}

TEST(ComApartment, AnEnteredApartmentIsLeftAtItsEnd) {
  ASSERT_TRUE(comIsUninitialised());
  {
    tavrin::ComApartment com = tavrin::enteredComApartment(::CoInitialize(nullptr));
    EXPECT_TRUE(com);
    tavrin::ComApartment nested = tavrin::enteredComApartment(::CoInitialize(nullptr));  // S_FALSE
    EXPECT_TRUE(nested) << "an initialisation that finds COM initialised is paired too";
    EXPECT_FALSE(comIsUninitialised());
  }
  EXPECT_TRUE(comIsUninitialised());
}

TEST(ComApartment, AFailedInitialisationOwesNothingUnlessPairedRegardless) {
  ASSERT_TRUE(comIsUninitialised());
  ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  {
    tavrin::ComApartment refused = tavrin::enteredComApartment(::CoInitialize(nullptr));  // RPC_E_CHANGED_MODE
    EXPECT_FALSE(refused);
  }
  EXPECT_FALSE(comIsUninitialised()) << "the multithreaded apartment is still entered";
  {
    tavrin::ComApartment paired = tavrin::pairedComApartment(::CoInitialize(nullptr));
    EXPECT_TRUE(paired);
  }
  EXPECT_TRUE(comIsUninitialised()) << "the paired owner uninitialised once";
}

TEST(SelectedObject, PutsThePreviousObjectBackOnceAfterAMove) {
  tavrin::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  tavrin::UniqueBitmap bitmap(::CreateBitmap(2, 2, 1, 32, nullptr));
  ASSERT_TRUE(bitmap);
  HGDIOBJ original = ::GetCurrentObject(dc.get(), OBJ_BITMAP);
  {
    tavrin::SelectedObject selection;
    selection = tavrin::SelectedObject(dc.get(), bitmap.get());
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap.get());
  }
  EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BITMAP), original);
}

}  // namespace
