// One user action, one change: statements on several tables stay together
// or go together, also when the action fails at any step, and an action run
// inside another joins it.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>
#include <stdexcept>
#include <string>

#include "engine/error.h"
#include "engine/query.h"
#include "store/Transaction.h"

namespace {

class OneChange : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    Run("CREATE TABLE \"" + Path("Stoc.dbf") + "\" (COD DECIMAL(10,0), STOC DECIMAL(8,3))");
    Run("CREATE TABLE \"" + Path("Cap.dbf") + "\" (COD DECIMAL(10,0), COST DECIMAL(8,2))");
    Run("INSERT INTO \"" + Path("Stoc.dbf") + "\" VALUES (1, 10)");
    Run("INSERT INTO \"" + Path("Cap.dbf") + "\" VALUES (1, 0)");
  }
  std::string Path(const char* table) const { return dir_.path().toStdString() + "/" + table; }
  void Run(const std::string& sql) {
    lumi::TQuery q;
    q.SQL().Add(sql);
    q.ExecSQL();
  }
  double Read(const char* table, const char* field) {
    lumi::TQuery q;
    q.SQL().Add("SELECT * FROM \"" + Path(table) + "\"");
    q.Open();
    return q.FieldByName(field).AsFloat();
  }
  // The three statements of an action: stock out, cost up, a second cost.
  std::function<void()> Step(int i) {
    const std::string sql[] = {
        "UPDATE \"" + Path("Stoc.dbf") + "\" SET STOC=STOC-4",
        "UPDATE \"" + Path("Cap.dbf") + "\" SET COST=COST+100",
        "UPDATE \"" + Path("Cap.dbf") + "\" SET COST=COST+20",
    };
    return [this, s = sql[i]] { Run(s); };
  }

  QTemporaryDir dir_;
};

TEST_F(OneChange, AllStepsStayTogether) {
  store::AsOneChange([&] {
    for (int i = 0; i < 3; ++i) Step(i)();
  });
  EXPECT_FALSE(lumi::DefaultSession().InTransaction());
  EXPECT_EQ(Read("Stoc.dbf", "STOC"), 6);
  EXPECT_EQ(Read("Cap.dbf", "COST"), 120);
}

TEST_F(OneChange, AFailureAtAnyStepUndoesEveryStep) {
  for (int failAt = 0; failAt <= 3; ++failAt) {
    SCOPED_TRACE("fails after " + std::to_string(failAt) + " steps");
    EXPECT_THROW(store::AsOneChange([&] {
                   for (int i = 0; i < failAt; ++i) Step(i)();
                   throw std::runtime_error("stopped");
                 }),
                 std::runtime_error);
    EXPECT_FALSE(lumi::DefaultSession().InTransaction());
    EXPECT_EQ(Read("Stoc.dbf", "STOC"), 10);
    EXPECT_EQ(Read("Cap.dbf", "COST"), 0);
  }
  // A statement the engine refuses (a value too large for its column) undoes
  // the ones before it, and its own error reaches the caller.
  EXPECT_THROW(store::AsOneChange([&] {
                 Step(0)();
                 Run("UPDATE \"" + Path("Cap.dbf") + "\" SET COST=1000000");
               }),
               lumi::EngineError);
  EXPECT_EQ(Read("Stoc.dbf", "STOC"), 10);
  EXPECT_EQ(Read("Cap.dbf", "COST"), 0);
}

TEST_F(OneChange, NestedActionsJoinTheOuterOne) {
  // The inner action's work is undone with the outer one's failure.
  EXPECT_THROW(store::AsOneChange([&] {
                 Step(0)();
                 store::AsOneChange([&] { Step(1)(); });
                 EXPECT_TRUE(lumi::DefaultSession().InTransaction()) << "committed too early";
                 throw std::runtime_error("outer fails after the inner one");
               }),
               std::runtime_error);
  EXPECT_EQ(Read("Stoc.dbf", "STOC"), 10);
  EXPECT_EQ(Read("Cap.dbf", "COST"), 0);

  // An inner failure undoes the outer steps before it as well.
  EXPECT_THROW(store::AsOneChange([&] {
                 Step(0)();
                 store::AsOneChange([&] {
                   Step(1)();
                   throw std::runtime_error("inner fails");
                 });
               }),
               std::runtime_error);
  EXPECT_EQ(Read("Stoc.dbf", "STOC"), 10);
  EXPECT_EQ(Read("Cap.dbf", "COST"), 0);

  store::AsOneChange([&] {
    Step(0)();
    store::AsOneChange([&] { Step(1)(); });
    Step(2)();
  });
  EXPECT_EQ(Read("Stoc.dbf", "STOC"), 6);
  EXPECT_EQ(Read("Cap.dbf", "COST"), 120);
}

}  // namespace
