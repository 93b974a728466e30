// Start-up of the poly and GCD tests: the node pools, the number tables and the
// field tables. (The interpreter's tests, which share the poly test
// support, start the whole system instead.)
#include <gtest/gtest.h>

#include "numbers/field_tables.h"
#include "numbers/number.h"
#include "poly/poly.h"
#include "storage/stash.h"

using namespace tolmex;

namespace {

struct Start : ::testing::Environment {
    void SetUp() override {
        // The pools of quoly records and sparse entries are not used here.
        open_node_pools({static_cast<int32_t>(sizeof(PolyNode)), 32, kDigitSlugBytes,
                         kNumberRecordBytes, 24});
        init_numbers();
        compute_field_tables();
    }
};
const auto* const start_environment = ::testing::AddGlobalTestEnvironment(new Start);

}  // namespace
