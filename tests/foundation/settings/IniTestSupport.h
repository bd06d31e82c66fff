#pragma once
// What the settings tests share: the example tree of the text form, as text and
// as the calls that build it.
#include <gtest/gtest.h>

#include "foundation/settings/IniExCtrl.h"

namespace initest {

using Tree = CIniExCtrl_base<32, 32, 64>;

// The example: root with k1 = x and section A holding k2 = y and section B
// holding k3 = z, as the writer produces it.
inline constexpr char kExample[] =
    "k1=x\n"
    "[A]\n"
    "\tk2=y\n"
    "\t[B]\n"
    "\t\tk3=z\n"
    "\t[EndSection]\n"
    "[EndSection]\n";

// Builds the example into a tree and leaves the root current.
inline void BuildExample(Tree& tree) {
    ASSERT_NE(tree.SetString("/k1", "x"), nullptr);
    ASSERT_TRUE(tree.AddSection("A"));
    ASSERT_TRUE(tree.ChangeSection("A"));
    ASSERT_NE(tree.SetString("k2", "y"), nullptr);
    ASSERT_TRUE(tree.AddSection("B"));
    ASSERT_NE(tree.SetString("B/k3", "z"), nullptr);
    ASSERT_TRUE(tree.ChangeSection("/"));
}

}  // namespace initest
