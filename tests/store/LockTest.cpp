// CReadWriteLock with real threads. Every wait is bounded, so a deadlock fails the case.
#include "StoreTestSupport.h"
#include "store/ReadWriteLock.h"

namespace {

// A writer on its own thread that records when it got in and waits to be let go.
class Writer {
 public:
  explicit Writer(CReadWriteLock& lock)
      : m_thread([this, &lock] {
          CWriteLock hold(lock);
          m_entered.Open();
          m_release.Wait();
        }) {}
  ~Writer() {
    m_release.Open();
    m_thread.Join();
  }
  bool Entered(DWORD timeoutMs = 10000) { return m_entered.Wait(timeoutMs); }
  bool Waiting() {
    LetOthersRun();
    return !m_entered.IsOpen();
  }
  void Release() { m_release.Open(); }
  bool Finished() { return m_thread.Join(); }

 private:
  Gate m_entered, m_release;
  TestThread m_thread;
};

// Runs one thread's part of a case: take, then hand the rest to the test body.
// The owner thread gives its holds back only when told, so the test can watch a
// writer on a third thread.
class Owner {
 public:
  Owner(std::function<void()> take, std::function<void()> giveBackPartly, std::function<void()> giveBackRest)
      : m_thread([=] {
          take();
          m_taken.Open();
          m_step.Wait();
          giveBackPartly();
          m_partly.Open();
          m_rest.Wait();
          giveBackRest();
        }) {}
  ~Owner() {
    m_step.Open();
    m_rest.Open();
    m_thread.Join();
  }
  bool Taken() { return m_taken.Wait(3000); }
  bool GiveBackPartly() {
    m_step.Open();
    return m_partly.Wait();
  }
  void GiveBackRest() { m_rest.Open(); }

 private:
  Gate m_taken, m_step, m_partly, m_rest;
  TestThread m_thread;
};

TEST(ReadWriteLock, WriterWaitsForEverySharedHoldOfAReader) {
  CReadWriteLock lock;
  Owner owner([&] { lock.LockShared(), lock.LockShared(); }, [&] { lock.UnlockShared(); },
              [&] { lock.UnlockShared(); });
  ASSERT_TRUE(owner.Taken());
  Writer writer(lock);
  ASSERT_TRUE(owner.GiveBackPartly());
  EXPECT_TRUE(writer.Waiting());
  owner.GiveBackRest();
  EXPECT_TRUE(writer.Entered());
}

TEST(ReadWriteLock, ReaderWaitsForWriterOnAnotherThread) {
  CReadWriteLock lock;
  Writer writer(lock);
  ASSERT_TRUE(writer.Entered());
  Gate read;
  TestThread reader([&] {
    CReadLock hold(lock);
    read.Open();
  });
  LetOthersRun();
  EXPECT_FALSE(read.IsOpen());
  writer.Release();
  EXPECT_TRUE(read.Wait());
}

TEST(ReadWriteLock, WriterMayReadAndItsSharedHoldOutlivesTheExclusiveOne) {
  CReadWriteLock lock;
  Owner owner([&] { lock.LockExclusive(), lock.LockShared(); }, [&] { lock.UnlockExclusive(); },
              [&] { lock.UnlockShared(); });
  ASSERT_TRUE(owner.Taken()) << "a writer asking for shared access must get it at once";
  ASSERT_TRUE(owner.GiveBackPartly());
  Writer writer(lock);
  EXPECT_TRUE(writer.Waiting()) << "the shared hold taken while writing must still count";
  owner.GiveBackRest();
  EXPECT_TRUE(writer.Entered());
}

TEST(ReadWriteLock, LoneReaderUpgradesAndKeepsItsSharedHolds) {
  CReadWriteLock lock;
  Owner owner([&] { lock.LockShared(), lock.LockShared(), lock.LockExclusive(); },
              [&] { lock.UnlockExclusive(), lock.UnlockShared(); }, [&] { lock.UnlockShared(); });
  ASSERT_TRUE(owner.Taken()) << "a lone reader must be granted an upgrade at once";
  ASSERT_TRUE(owner.GiveBackPartly());
  Writer writer(lock);
  EXPECT_TRUE(writer.Waiting()) << "one shared hold is left after the upgrade";
  owner.GiveBackRest();
  EXPECT_TRUE(writer.Entered());
}

TEST(ReadWriteLock, NewReadersPassAWaitingWriterWhichWaitsForAllOfThem) {
  CReadWriteLock lock;
  Gate aHolds, aRelease, cHolds, cRelease;
  TestThread a([&] {
    CReadLock hold(lock);
    aHolds.Open();
    aRelease.Wait();
  });
  ASSERT_TRUE(aHolds.Wait());
  Writer writer(lock);
  EXPECT_TRUE(writer.Waiting());
  TestThread c([&] {
    CReadLock hold(lock);
    cHolds.Open();
    cRelease.Wait();
  });
  EXPECT_TRUE(cHolds.Wait(2000)) << "a waiting writer must not keep readers out";
  aRelease.Open();
  ASSERT_TRUE(a.Join());
  EXPECT_TRUE(writer.Waiting());
  cRelease.Open();
  EXPECT_TRUE(writer.Entered());
}

TEST(ReadWriteLock, TwoUpgradingReadersGetExclusiveOneAfterTheOther) {
  CReadWriteLock lock;
  std::atomic<int> holding{0}, inside{0}, overlaps{0}, done{0};
  auto upgrader = [&] {
    CReadLock read(lock);
    ++holding;
    while (holding < 2) Sleep(1);  // both hold shared before either upgrades
    {
      CWriteLock write(lock);
      if (++inside != 1) ++overlaps;
      Sleep(30);
      --inside;
    }
    ++done;
  };
  TestThread first(upgrader), second(upgrader);
  ASSERT_TRUE(first.Join()) << "upgrading readers deadlocked";
  ASSERT_TRUE(second.Join()) << "upgrading readers deadlocked";
  EXPECT_EQ(2, done);
  EXPECT_EQ(0, overlaps);
}

TEST(ReadWriteLock, ExclusiveTakenTwiceNeedsTwoReleases) {
  CReadWriteLock lock;
  Owner owner([&] { lock.LockExclusive(), lock.LockExclusive(); }, [&] { lock.UnlockExclusive(); },
              [&] { lock.UnlockExclusive(); });
  ASSERT_TRUE(owner.Taken()) << "a writer must be able to take the lock again";
  Writer writer(lock);
  ASSERT_TRUE(owner.GiveBackPartly());
  EXPECT_TRUE(writer.Waiting());
  owner.GiveBackRest();
  EXPECT_TRUE(writer.Entered());
}

TEST(ReadWriteLock, WritersExcludeEachOtherAndReaders) {
  CReadWriteLock lock;
  int a = 0, b = 0;  // a writer keeps them equal; a reader must never see them differ
  std::atomic<int> torn{0};
  auto write = [&] {
    for (int i = 0; i < 200; ++i) {
      CWriteLock hold(lock);
      ++a;
      Sleep(0);
      ++b;
    }
  };
  auto read = [&] {
    for (int i = 0; i < 200; ++i) {
      CReadLock hold(lock);
      if (a != b) ++torn;
    }
  };
  TestThread w1(write), w2(write), r1(read), r2(read);
  ASSERT_TRUE(w1.Join(60000) && w2.Join(60000) && r1.Join(60000) && r2.Join(60000));
  EXPECT_EQ(400, a);
  EXPECT_EQ(400, b);
  EXPECT_EQ(0, torn);
}

}  // namespace
