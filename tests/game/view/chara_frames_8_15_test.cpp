// The character frame selection of characters 8 to 15: the cell of every state, pose and card at
// the ends of their ranges, and the side effects that only they have (character 8's dash and aim,
// character 10's shakes, character 12's lift, character 13's catch record).
#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "game/battle/directions.h"
#include "game/core/match_setup.h"
#include "game/core/sound_entries.h"
#include "morrow/system/time.h"
#include "tests/game/view/chara_frame_fixture.h"

namespace {

using namespace charaframetest;

// Cells are written as the column plus the heading row times the sheet's row width W, where a row
// is added.
const Row kRows[] = {
    // Character 8 (W 30).
    {8, "s0 t0 h100", 0 + 90},
    {8, "s14 t6", 1},
    {8, "s0 t12", 0},
    {8, "s0 t18 h100", 2 + 90},
    {8, "s0 t24", 0},
    {8, "s0 t-6", 2},
    {8, "s1 t0 h100", 0 + 90},
    {8, "s15 t6", 3},
    {8, "s1 t12", 4},
    {8, "s1 t18", 4},
    {8, "s5 t45 h100", 17 + 90},
    {8, "s5 t44 h100", 269},
    {8, "s5 t31", 269},
    {8, "s5 t30", 18},
    {8, "s5 t27", 17},
    {8, "s5 t22", 16},
    {8, "s5 t19", 15},
    {8, "s5 t0 h100", 15 + 90},
    {8, "s2 P0 t10 e0 h100", 0 + 90},
    {8, "s2 P0 t10 e3", 7},
    {8, "s3 P0 t10 e6", 8},
    {8, "s4 P0 t10 e9", 8},
    {8, "s16 P0 t10 e12", 9},
    {8, "s2 P0 t10 e15", 10},
    {8, "s2 P0 t10 e18 h100", 10 + 90},
    {8, "s2 P1 t10 e0", 0},
    {8, "s2 P1 t10 e3", 11},
    {8, "s2 P1 t10 e6", 12},
    {8, "s2 P1 t10 e24", 13},
    {8, "s2 P1 t10 e27", 14},
    {8, "s2 P1 t10 e30 h100", 14 + 90},
    {8, "s2 P1 t10 e-3", 12},
    {8, "s2 P2 t41 e6", 15},
    {8, "s2 P2 t41 e7", 16},
    {8, "s2 P2 t100 e100 h100", 16 + 90},
    {8, "s2 P2 t40", 17},
    {8, "s2 P2 t38", 17},
    {8, "s2 P2 t37", 18},
    {8, "s2 P2 t24 h100", 18 + 90},
    {8, "s2 P2 t23", 18},
    {8, "s2 P2 t20", 17},
    {8, "s2 P2 t16", 16},
    {8, "s2 P2 t12", 15},
    {8, "s2 P2 t0", 15},
    {8, "s2 P3 t81 h100", 0 + 90},
    {8, "s2 P3 t80", 17},
    {8, "s2 P3 t78", 17},
    {8, "s2 P3 t77 h100", 18 + 90},
    {8, "s2 P3 t53", 18},
    // 52-42: the turning cells of the odd sixteenths of the heading, the row on the even ones.
    {8, "s2 P3 t52 h0", 17},
    {8, "s2 P3 t49 h32", 18 + 30},
    {8, "s2 P3 t51 h224", 17 + 210},
    {8, "s2 P3 t52 h16", 252},
    {8, "s2 P3 t49 h31", 253},
    {8, "s2 P3 t50 h48", 254},
    {8, "s2 P3 t42 h63", 255},
    {8, "s2 P3 t52 h80", 240},
    {8, "s2 P3 t42 h95", 241},
    {8, "s2 P3 t52 h112", 242},
    {8, "s2 P3 t46 h144", 245},
    {8, "s2 P3 t52 h176", 246},
    {8, "s2 P3 t52 h208", 248},
    {8, "s2 P3 t49 h223", 249},
    {8, "s2 P3 t52 h240", 250},
    {8, "s2 P3 t42 h255", 251},
    {8, "s2 P3 t41", 18},
    {8, "s2 P3 t38", 17},
    {8, "s2 P3 t34", 16},
    {8, "s2 P3 t30", 15},
    {8, "s2 P3 t0 h100", 15 + 90},
    {8, "s2 P4 h100", 39},
    {8, "s8 S7999 h100", 16 + 90},
    {8, "s8 S-5", 16},
    {8, "s8 S8000 h0", 257},
    {8, "s8 S9000 h100", 260},
    {8, "s8 S8000 h224", 256},
    {8, "s9 K0 t9999 h100", 0 + 90},
    {8, "s9 K0 t247 h100", 260},
    {8, "s9 K2 t400 h224", 256},
    {8, "s9 K0 t246", 264},
    {8, "s9 K0 t243", 264},
    {8, "s9 K0 t242", 265},
    {8, "s9 K0 t240", 265},
    {8, "s9 K0 t239", 267},
    {8, "s9 K0 t224", 265},
    {8, "s9 K0 t228", 266},
    {8, "s9 K0 t232", 265},
    {8, "s9 K0 t60", 267},
    {8, "s9 K0 t59", 264},
    {8, "s9 K0 t52", 263},
    {8, "s9 K0 t0", 263},
    {8, "s9 K1 t9999 h100", 8 + 90},
    {8, "s9 K1 t250", 29},
    {8, "s9 K1 t31 h100", 29},
    {8, "s9 K1 t30 h100", 8 + 90},
    {8, "s9 K1 t0", 8},
    {8, "s9 K1 t251", 257},
    {8, "s9 K1 t270", 256},
    {8, "s9 K1 t271", 263},
    {8, "s9 K1 t302", 256},
    {8, "s9 K1 t303", 263},
    {8, "s9 K1 t350", 256},
    {8, "s10 t16 h100", 19 + 90},
    {8, "s10 t8", 19},
    {8, "s10 t7", 20},
    {8, "s11 q0 h100", 22 + 90},
    {8, "s13 q6", 23},
    {8, "s11 q29", 26},
    {8, "s11 q30", 22},
    {8, "s11 z9 t65", 28},
    {8, "s11 z9 t64", 27},
    {8, "s13 z9 t59", 28},
    {8, "s11 z9 t0 h100", 28 + 90},
    {8, "s6", 39},
    {8, "s7 h100", 39},
    {8, "s12", 39},

    // Character 9 (W 30).
    {9, "s0 t0 h100", 0 + 90},
    {9, "s14 t8", 1},
    {9, "s0 t16", 2},
    {9, "s0 t24 h100", 1 + 90},
    {9, "s1 t0", 3},
    {9, "s15 t7", 3},
    {9, "s1 t8 h100", 4 + 90},
    {9, "s1 t100", 4},
    {9, "s2 P0 t10 e50 h100", 3 + 90},
    {9, "s2 P1 t10 e0", 0},
    {9, "s2 P1 t10 e4", 5},
    {9, "s2 P1 t10 e12", 7},
    {9, "s2 P1 t10 e16 h100", 7 + 90},
    {9, "s2 P2 h100", 39 + 90},
    {9, "s5 t35", 13},
    {9, "s5 t30", 13},
    {9, "s5 t27", 12},
    {9, "s5 t24 h100", 11 + 90},
    {9, "s5 t21", 0},
    {9, "s5 t0 h100", 0 + 90},
    {9, "s5 t80", 11},
    {9, "s5 t67", 15},
    {9, "s5 t64", 16},
    {9, "s5 t63 h100", 16 + 90},
    {9, "s5 t62", 999},  // hidden, in the heading row
    {9, "s5 t36 h100", 999 + 90},
    {9, "s8 S8000 t0 h100", 32},
    {9, "s8 S8000 t24", 35},
    {9, "s8 S9000 t16", 34},
    {9, "s8 S7999 h100", 6},
    {9, "s8 S6666", 6},
    {9, "s8 S6665 t0 h100", 240},
    {9, "s8 S5000 t54", 249},
    {9, "s8 S5000 t60", 249},
    {9, "s8 S0", 0},
    {9, "s8 S4 h100", 5 + 90},
    {9, "s8 S12", 7},
    {9, "s8 S24", 7},
    {9, "s8 S25 h100", 1 + 90},
    {9, "s8 S32", 0},
    {9, "s8 S40", 1},
    {9, "s8 S48", 2},
    {9, "s8 S4999", 0},
    {9, "s8 S25 d1", 4},
    {9, "s8 S4999 d1 h100", 4 + 90},
    {9, "s9 K1 t9999 h100", 0 + 90},
    {9, "s9 K1 t644", 240},
    {9, "s9 K1 t638", 241},
    {9, "s9 K1 t585", 249},
    {9, "s9 K1 t584", 999},
    {9, "s9 K2 t49 h100", 999},
    {9, "s9 K1 t48", 249},
    {9, "s9 K1 t44", 248},
    {9, "s9 K1 t0", 240},
    {9, "s9 K0 t9999 h100", 249},
    {9, "s9 K0 t281", 999},
    {9, "s9 K0 t280", 249},
    {9, "s9 K0 t241", 249},
    {9, "s9 K0 t240", 999},
    {9, "s9 K0 t201", 999},
    {9, "s9 K0 t200", 249},
    {9, "s9 K0 t161", 249},
    {9, "s9 K0 t160", 999},
    {9, "s9 K0 t121", 999},
    {9, "s9 K0 t120", 249},
    {9, "s9 K0 t81", 249},
    {9, "s9 K0 t80", 249},
    {9, "s9 K0 t53", 248},
    {9, "s9 K0 t0", 240},
    {9, "s10 t0 h100", 9 + 90},
    {9, "s10 t8", 8},
    {9, "s11 q0 h100", 17 + 90},
    {9, "s13 q8", 18},
    {9, "s11 q39", 21},
    {9, "s11 q40", 17},
    {9, "s11 z9 t65", 23},
    {9, "s11 z9 t100 h100", 23 + 90},
    {9, "s11 z9 t64", 21},
    {9, "s11 z9 t62", 21},
    {9, "s11 z9 t61", 22},
    {9, "s13 z9 t38", 29},
    {9, "s11 z9 t37", 999},
    {9, "s11 z9 t24 h100", 999},
    {9, "s11 z9 t23", 16},
    {9, "s11 z9 t21", 15},
    {9, "s11 z9 t9", 11},
    {9, "s11 z9 t8", 11},
    {9, "s11 z9 t6", 0},
    {9, "s11 z9 t0 h100", 0 + 90},
    {9, "s6", 39},
    {9, "s12", 39},

    // Character 10 (W 50).
    {10, "s0 t8 h100", 1 + 150},
    {10, "s14 t16", 2},
    {10, "s1 t0", 0},
    {10, "s1 t6 h100", 3 + 150},
    {10, "s15 t12", 4},
    {10, "s1 t18", 4},
    {10, "s6 t0", 0},
    {10, "s6 t4", 5},
    {10, "s6 t8 h100", 6 + 150},
    {10, "s6 t12", 6},
    {10, "s7 t0", 5},
    {10, "s7 t4", 6},
    {10, "s7 t8", 7},
    {10, "s7 t100 h100", 7 + 150},
    {10, "s2 P0 t41", 8},
    {10, "s2 P0 t40", 9},
    {10, "s2 P0 t36", 10},
    {10, "s2 P0 t0 h100", 9 + 150},
    {10, "s2 P1 t20 e0", 0},
    {10, "s2 P1 t20 e4", 16},
    {10, "s2 P1 t20 e8", 17},
    {10, "s2 P1 t20 e16", 17},
    {10, "s2 P1 t20 e20", 18},
    {10, "s2 P1 t20 e28 h100", 20 + 150},
    {10, "s2 P1 t20 e32 h100", 20 + 150},
    {10, "s2 P2 t50 vz-0.5 z-5", 16},
    {10, "s2 P2 t60 z-5", 17},
    {10, "s2 P2 t57 z-5", 17},
    {10, "s2 P2 t56 z-5", 18},
    {10, "s2 P2 t70 z-5", 15},
    {10, "s2 P2 t60 h100", 13 + 150},
    {10, "s2 P3 t34 e0", 10},
    {10, "s2 P3 t34 e4", 11},
    {10, "s2 P3 t34 e8", 12},
    {10, "s2 P3 t34 e100 h100", 12 + 150},
    {10, "s2 P3 t35 e0", 0},
    {10, "s2 P3 t35 e4", 8},
    {10, "s2 P3 t35 e12", 10},
    {10, "s2 P3 t35 e16", 9},
    {10, "s2 P4 h100", 39 + 150},
    {10, "s8 S0 h100", 0 + 150},
    {10, "s8 S8", 1},
    {10, "s8 S16", 2},
    {10, "s8 S24", 1},
    {10, "s8 S0 d1", 0},
    {10, "s8 S6 d1", 3},
    {10, "s8 S12 d1 h100", 4 + 150},
    {10, "s8 S100 d1", 4},
    {10, "s9 K1 t9999 h100", 36 + 150},
    {10, "s9 K1 t142", 36},
    {10, "s9 K1 t141", 37},
    {10, "s9 K1 t136", 37},
    {10, "s9 K1 t135", 38},
    {10, "s9 K1 t0", 38},
    {10, "s9 K0 t9999", 8},
    {10, "s9 K2 t0", 9},
    {10, "s9 K0 t4 h100", 10 + 150},
    {10, "s10 t16", 21},
    {10, "s10 t12", 21},
    {10, "s10 t11", 22},
    {10, "s10 t0 h100", 24 + 150},
    {10, "s11 z9 t9", 26},
    {10, "s11 z9 t100 h100", 26 + 150},
    {10, "s13 z9 t8", 28},
    {10, "s11 z9 t4", 29},
    {10, "s11 z9 t0", 30},
    {10, "s11 q0", 24},
    {10, "s13 q16", 25},
    {10, "s11 q63 h100", 27 + 150},
    {10, "s11 q64", 24},
    {10, "s5", 39},
    {10, "s12", 39},

    // Character 11 (W 30).
    {11, "s0 t18 h100", 2 + 90},
    {11, "s14 t12", 0},
    {11, "s0 t6", 1},
    {11, "s1 t6", 3},
    {11, "s15 t24 h100", 4 + 90},
    {11, "s2 P0 t10 e0", 5},
    {11, "s2 P0 t10 e3", 5},
    {11, "s2 P0 t10 e6", 6},
    {11, "s2 P0 t10 e12", 8},
    {11, "s2 P0 t10 e15 h100", 8 + 90},
    {11, "s2 P1 t10 e9", 0},
    {11, "s2 P1 t10 e12", 5},
    {11, "s2 P1 t10 e18", 7},
    {11, "s2 P1 t10 e21 h100", 7 + 90},
    {11, "s2 P2 t20 L20 e0", 12},
    {11, "s2 P2 t14 L20", 13},
    {11, "s2 P2 t8 L20", 12},
    {11, "s2 P2 t0 L20 h100", 12 + 90},
    {11, "s2 P2 t21 e0 L20", 9},
    {11, "s2 P2 t21 e6 L20", 11},
    {11, "s2 P2 t30 e9 L20 h100", 12 + 90},
    {11, "s2 P3 t10 e0", 0},
    {11, "s2 P3 t10 e3", 11},
    {11, "s2 P3 t10 e6", 12},
    {11, "s2 P3 t10 e27", 14},
    {11, "s2 P3 t10 e33 h100", 14 + 90},
    {11, "s2 P4 h100", 39},
    {11, "s5 t61 h100", 27 + 90},
    {11, "s5 t69", 0},
    {11, "s5 t68", 26},
    {11, "s5 t100 h100", 18 + 90},
    {11, "s5 t60 a100 h0", 6 + 90},
    {11, "s5 t47 a224", 6 + 210},
    {11, "s5 t46 h100", 3 + 90},
    {11, "s5 t40", 4},
    {11, "s5 t0", 4},
    {11, "s8 S0 t35 h100", 0 + 90},
    {11, "s8 S4999 t36", 25},
    {11, "s8 S0 t37", 26},
    {11, "s8 S0 t60", 27},
    {11, "s8 S0 t84 h100", 29 + 90},
    {11, "s8 S0 t200", 29},
    {11, "s8 S5000 t15 h100", 0 + 90},
    {11, "s8 S5000 t16", 26},
    {11, "s8 S5000 t22", 27},
    {11, "s8 S5000 t71", 29},
    {11, "s8 S5000 t72", 0},
    {11, "s8 S5000 t78", 22},
    {11, "s8 S5000 t84", 23},
    {11, "s8 S9000 t200 h100", 23 + 90},
    {11, "s9 K0 t9999 h100", 29 + 90},
    {11, "s9 K0 t293", 29},
    {11, "s9 K0 t292 h0", 240},
    {11, "s9 K0 t0 h15", 240},
    {11, "s9 K0 t0 h16", 241},
    {11, "s9 K0 t0 h100", 243},
    {11, "s9 K0 t0 h239", 247},
    {11, "s9 K0 t0 h240", 240},
    {11, "s9 K0 t0 h-10", 240},
    {11, "s9 K1 t9999 h100", 23 + 90},
    {11, "s9 K1 t50", 0},
    {11, "s9 K1 t51", 25},
    {11, "s9 K2 t180", 23},
    {11, "s9 K1 t174", 24},
    {11, "s9 K1 t168", 25},
    {11, "s9 K1 t200", 20},
    {11, "s10 t16", 14},
    {11, "s10 t0 h100", 15 + 90},
    {11, "s11 q0", 15},
    {11, "s13 q29 h100", 19 + 90},
    {11, "s11 z9 t0", 21},
    {11, "s13 z9 t100 h100", 21 + 90},
    {11, "s6", 39},
    {11, "s7", 39},
    {11, "s12", 39},

    // Character 12 (W 50).
    {12, "s0 t8 h100", 1 + 150},
    {12, "s1 t0", 3},
    {12, "s5 t8", 4},
    {12, "s15 t16 h100", 5 + 150},
    {12, "s5 t100", 5},
    {12, "s2 P0 t10 e0", 10},
    {12, "s2 P0 t10 e15", 15},
    {12, "s2 P0 t10 e18", 16},
    {12, "s2 P0 t12 e18", 15},
    {12, "s2 P0 t13 e18 h100", 15 + 150},
    {12, "s2 P1 t10 e0", 10},
    {12, "s2 P1 t10 e6", 12},
    {12, "s2 P1 t10 e9", 13},
    {12, "s2 P1 t10 e21", 13},
    {12, "s2 P1 t10 e24", 14},
    {12, "s2 P1 t10 e27", 15},
    {12, "s2 P1 t10 e30", 16},
    {12, "s2 P1 t12 e30 h100", 15 + 150},
    {12, "s2 P2 t10 e0", 17},
    {12, "s2 P2 t10 e4", 18},
    {12, "s2 P2 t10 e8", 20},
    {12, "s2 P2 t10 e12", 20},
    {12, "s2 P2 t10 e16", 20},
    {12, "s2 P2 t10 e20", 20},
    {12, "s2 P2 t10 e28", 22},
    {12, "s2 P2 t10 e32 h100", 22 + 150},
    {12, "s2 P2 t5 e0", 23},
    {12, "s2 P2 t0 e100 h100", 23 + 150},
    {12, "s2 P3 t10 e0", 17},
    {12, "s2 P3 t10 e12", 20},
    {12, "s2 P3 t10 e16", 20},
    {12, "s2 P3 t10 e28", 20},
    {12, "s2 P3 t10 e32", 20},
    {12, "s2 P3 t10 e36", 21},
    {12, "s2 P3 t10 e40", 22},
    {12, "s2 P3 t10 e44 h100", 22 + 150},
    {12, "s2 P3 t5", 23},
    {12, "s2 P4 h100", 39 + 150},
    {12, "s8 S8000 t31 h100", 33 + 150},
    {12, "s8 S8000 t32", 34},
    {12, "s8 S8000 t47", 39},
    {12, "s8 S8000 t50", 49},
    {12, "s8 S8000 t89", 49},
    {12, "s8 S8000 t90", 39},
    {12, "s8 S8000 t93", 38},
    {12, "s8 S9000 t108 h100", 33 + 150},
    {12, "s8 S8000 t200", 33},
    {12, "s8 S5000 t31", 33},
    {12, "s8 S7999 t107", 34},
    {12, "s8 S5000 t50", 49},
    {12, "s8 S5000 t108 h100", 530},
    {12, "s8 S5000 t112", 531},
    {12, "s8 S5000 t116", 532},
    {12, "s8 S5000 t200", 532},
    {12, "s8 S0 t55 h100", 24 + 150},
    {12, "s8 S0 t56", 40},
    {12, "s8 S4999 t83 h100", 46 + 150},
    {12, "s8 S0 t84", 500},
    {12, "s8 S0 t137", 500},
    {12, "s8 S0 t138", 500},
    {12, "s8 S0 t143", 501},
    {12, "s8 S0 t173", 507},
    {12, "s8 S0 t203", 507},
    {12, "s8 S0 t204", 508},
    {12, "s8 S0 t208", 509},
    {12, "s8 S0 t212", 510},
    {12, "s8 S-100 t300", 510},
    {12, "s9 K0 t9999", 510},
    {12, "s9 K0 t666", 510},
    {12, "s9 K0 t662", 511},
    {12, "s9 K0 t641", 513},
    {12, "s9 K0 t640", 514},
    {12, "s9 K0 t501", 514},
    // In the air w = trunc(z x -0.011111111): the factor is a little under 1/90, so heights of
    // exactly 90 and 180 fall short of 1 and 2.
    {12, "s9 K0 t500 z-1e30", 515},
    {12, "s9 K0 t500 z-200", 515},
    {12, "s9 K0 t500 z-181", 515},
    {12, "s9 K0 t500 z-180", 516},
    {12, "s9 K0 t0 z-100", 516},
    {12, "s9 K0 t0 z-91", 516},
    {12, "s9 K0 t0 z-90", 517},
    {12, "s9 K0 t0 z-1", 517},
    {12, "s9 K0 t140", 518},
    {12, "s9 K0 t134", 519},
    {12, "s9 K0 t81", 520},
    {12, "s9 K0 t80", 521},
    {12, "s9 K0 t74", 522},
    {12, "s9 K0 t0", 528},
    {12, "s9 K1 t9999", 532},
    {12, "s9 K1 t291", 532},
    {12, "s9 K1 t290", 532},
    {12, "s9 K1 t287", 533},
    {12, "s9 K1 t231", 536},
    {12, "s9 K2 t230", 536},
    {12, "s9 K1 t226", 537},
    {12, "s9 K1 t151", 541},
    {12, "s9 K1 t150", 541},
    {12, "s9 K1 t146", 542},
    {12, "s9 K1 t101", 543},
    {12, "s9 K1 t100", 543},
    {12, "s9 K1 t97", 544},
    {12, "s9 K1 t31", 548},
    {12, "s9 K1 t30 h100", 39 + 150},
    {12, "s9 K1 t27", 38},
    {12, "s9 K1 t0", 33},
    {12, "s10 t0 h100", 6 + 150},
    {12, "s10 t1", 9},
    {12, "s10 t2", 8},
    {12, "s10 t3", 7},
    {12, "s10 t15", 7},
    {12, "s10 t16", 6},
    {12, "s10 t-3", 7},
    {12, "s11 q0", 24},
    {12, "s13 q12", 24},
    {12, "s11 q14", 25},
    {12, "s11 q24", 30},
    {12, "s11 q26 h100", 31 + 150},
    {12, "s11 q100", 31},
    {12, "s11 z9 t65", 31},
    {12, "s11 z9 t64", 31},
    {12, "s11 z9 t25", 31},
    {12, "s11 z9 t24", 30},
    {12, "s11 z9 t20", 29},
    {12, "s11 z9 t16", 28},
    {12, "s11 z9 t12", 32},
    {12, "s13 z9 t8 h100", 24 + 150},
    {12, "s11 z9 t0", 24},
    {12, "s6", 39},
    {12, "s7", 39},
    {12, "s12", 39},

    // Character 13 (W 30).
    {13, "s0 t0 h100", 0 + 90},
    {13, "s14 t7", 1},
    {13, "s0 t14", 0},
    {13, "s0 t21", 2},
    {13, "s0 t28 h100", 0 + 90},
    {13, "s1 t0", 4},
    {13, "s15 t6", 5},
    {13, "s1 t11 h100", 5 + 90},
    {13, "s1 t12", 5},
    {13, "s1 t16", 4},
    {13, "s1 t20", 5},
    {13, "s2 P0 t10 e0 h100", 0 + 90},
    {13, "s2 P0 t10 e2", 0},
    {13, "s2 P0 t10 e3", 12},
    {13, "s2 P0 t10 e15", 13},
    {13, "s2 P0 t10 e18", 14},
    {13, "s2 P0 t10 e30 h100", 14 + 90},
    {13, "s2 P0 t10 e-3", 12},
    {13, "s2 P1 t10 e0", 0},
    {13, "s2 P1 t10 e3", 15},
    {13, "s2 P1 t10 e21", 16},
    {13, "s2 P1 t10 e24", 17},
    {13, "s2 P2 t10 e3", 15},
    {13, "s2 P2 t10 e30", 17},
    {13, "s2 P3 t10 e3", 15},
    {13, "s2 P3 t10 e15", 16},
    {13, "s2 P3 t10 e100 h100", 17 + 90},
    {13, "s2 P4 t10 e0 h100", 39 + 90},
    {13, "s5 t95", 6},
    {13, "s5 t91", 7},
    {13, "s5 t75 h100", 11 + 90},
    {13, "s5 t100", 5},
    {13, "s5 t74 h100", 29},
    {13, "s5 t24", 29},
    {13, "s5 t23", 11},
    {13, "s5 t21", 10},
    {13, "s5 t9", 7},
    {13, "s5 t5", 6},
    {13, "s5 t0 h100", 6 + 90},
    {13, "s8 S5000 t100 h100", 0 + 90},
    {13, "s8 S4999 t3 h100", 12 + 90},
    {13, "s8 S0 t2", 0},
    {13, "s9 K0 t9999", 240},
    {13, "s9 K0 t360", 241},
    {13, "s9 K0 t356", 242},
    {13, "s9 K0 t348", 244},
    {13, "s9 K0 t344", 241},
    {13, "s9 K0 t170", 244},
    {13, "s9 K0 t169", 244},
    {13, "s9 K0 t166", 245},
    {13, "s9 K0 t154", 248},
    {13, "s9 K0 t130", 248},
    {13, "s9 K0 t129", 249},
    {13, "s9 K0 t126", 250},
    {13, "s9 K0 t118", 252},
    {13, "s9 K0 t114", 249},
    {13, "s9 K0 t0", 249},
    {13, "s9 K1 t9999 h100", 12 + 90},
    {13, "s9 K1 t600", 12},
    {13, "s9 K1 t560", 12},
    {13, "s9 K1 t557", 13},
    {13, "s9 K1 t554", 14},
    {13, "s9 K1 t525 h100", 14 + 90},
    {13, "s9 K1 t524 h100", 0},
    {13, "s9 K1 t380", 0},
    {13, "s9 K1 t379", 11},
    {13, "s9 K1 t377", 10},
    {13, "s9 K1 t366 h100", 8 + 90},
    {13, "s9 K1 t365", 8},
    {13, "s9 K1 t220", 8},
    {13, "s9 K1 t219", 25},
    {13, "s9 K2 t150", 25},
    {13, "s9 K1 t149", 25},
    {13, "s9 K1 t146", 26},
    {13, "s9 K1 t0", 28},
    {13, "s10 t0 h100", 19 + 90},
    {13, "s11 q0", 18},
    {13, "s13 q6 h100", 19 + 90},
    {13, "s11 z9 t65", 22},
    {13, "s11 z9 t59", 23},
    {13, "s11 z9 t54", 24},
    {13, "s11 z9 t49", 24},
    {13, "s11 z9 t0 h100", 24 + 90},
    {13, "s6", 39},
    {13, "s12", 39},

    // Character 14 (W 40).
    {14, "s0 t0 h100", 0 + 120},
    {14, "s14 t30", 5},
    {14, "s0 t36", 0},
    {14, "s0 t35 h100", 5 + 120},
    {14, "s1 t0", 6},
    {14, "s15 t6", 7},
    {14, "s1 t100 h100", 7 + 120},
    {14, "s2 P0 t10 e0", 0},
    {14, "s2 P0 t10 e3", 15},
    {14, "s2 P0 t10 e9", 15},
    {14, "s2 P0 t10 e12", 16},
    {14, "s2 P0 t10 e18", 18},
    {14, "s2 P0 t10 e30 h100", 18 + 120},
    {14, "s2 P0 t10 e0 q1", 18},
    {14, "s2 P0 t10 e3 q-1", 15},
    {14, "s2 P1 t10 e0", 0},
    {14, "s2 P1 t10 e0 q5", 0},
    {14, "s2 P1 t10 e3", 19},
    {14, "s2 P1 t10 e12", 20},
    {14, "s2 P1 t10 e18", 22},
    {14, "s2 P1 t10 e30 h100", 22 + 120},
    {14, "s2 P2 t10 e0", 0},
    {14, "s2 P2 t10 e3", 15},
    {14, "s2 P2 t10 e27", 16},
    {14, "s2 P2 t10 e30", 17},
    {14, "s2 P3 t10 e0", 0},
    {14, "s2 P3 t10 e3", 15},
    {14, "s2 P3 t10 e15", 16},
    {14, "s2 P3 t10 e21 h100", 17 + 120},
    {14, "s2 P4 t10 e0", 0},
    {14, "s2 P4 t10 e3", 34},
    {14, "s2 P4 t10 e15", 35},
    {14, "s2 P4 t10 e24", 38},
    {14, "s2 P4 t10 e100 h100", 38 + 120},
    {14, "s2 P5 h100", 39 + 120},
    {14, "s5 t4 h100", 8 + 120},
    {14, "s5 t5 z-1 a100 h0", 9 + 120},
    {14, "s5 t2000 a100", 10 + 120},
    {14, "s5 t2004 a0 h100", 11},
    {14, "s5 t2016", 14},
    {14, "s5 t3000", 14},
    {14, "s5 t1996 a200", 9 + 240},
    {14, "s8 S5000 h100", 8 + 120},
    {14, "s8 S0 t0", 30},
    {14, "s8 S0 t35", 30},
    {14, "s8 S0 t36", 31},
    {14, "s8 S4999 t44", 33},
    {14, "s8 S0 t400 h100", 33 + 120},
    {14, "s9 K0 t9999 h100", 33 + 120},
    {14, "s9 K1 t9999 h100", 8 + 120},
    {14, "s9 K1 t1999 z-1 a100", 9 + 120},
    {14, "s9 K2 t60 a100", 10 + 120},
    {14, "s9 K1 t56 a0 h100", 11},
    {14, "s9 K1 t0", 14},
    {14, "s9 K1 t2172 h100", 39},
    {14, "s9 K1 t2171", 320},
    {14, "s9 K1 t2160", 320},
    {14, "s9 K1 t2157", 321},
    {14, "s9 K1 t2142", 326},
    {14, "s9 K1 t2111", 326},
    {14, "s9 K1 t2110", 326},
    {14, "s9 K1 t2090", 326},
    {14, "s9 K1 t2085", 327},
    {14, "s9 K1 t2075", 329},
    {14, "s9 K1 t2000", 329},
    {14, "s10 t16", 23},
    {14, "s10 t7 h100", 24 + 120},
    {14, "s11 q0 h100", 26 + 120},
    {14, "s13 q2 h250", 26},  // the spin wrote heading 26
    {14, "s11 q4 h100", 26 + 200},
    {14, "s11 z9 t65", 26},
    {14, "s11 z9 t64", 26},
    {14, "s11 z9 t60", 27},
    {14, "s13 z9 t52", 29},
    {14, "s11 z9 t48", 29},
    {14, "s11 z9 t0 h100", 29 + 120},
    {14, "s6", 39},
    {14, "s12", 39},

    // Character 15 (W 50).
    {15, "s0 t8888 h100", 44 + 150},
    {15, "s14 t8888", 44},
    {15, "s0 t0", 0},
    {15, "s0 t36", 6},
    {15, "s0 t42 h100", 0 + 150},
    {15, "s14 t41", 6},
    {15, "s1 t0 h100", 0 + 150},
    {15, "s1 t8", 7},
    {15, "s15 t31", 9},
    {15, "s1 t32", 9},
    {15, "s1 t36", 10},
    {15, "s1 t44 h100", 10 + 150},
    {15, "s2 P0 t10 e0", 21},
    {15, "s2 P0 t10 e6", 21},
    {15, "s2 P0 t10 e9", 22},
    {15, "s2 P0 t10 e15", 24},
    {15, "s2 P0 t10 e100 h100", 24 + 150},
    {15, "s2 P1 t10 e0", 25},
    {15, "s2 P1 t10 e6", 25},
    {15, "s2 P1 t10 e12", 25},
    {15, "s2 P1 t10 e15", 26},
    {15, "s2 P1 t10 e21", 28},
    {15, "s2 P2 t10 e0", 21},
    {15, "s2 P2 t10 e18", 21},
    {15, "s2 P2 t10 e21", 22},
    {15, "s2 P2 t10 e27", 24},
    {15, "s2 P3 t10 e0", 25},
    {15, "s2 P3 t10 e15", 25},
    {15, "s2 P3 t10 e18", 26},
    {15, "s2 P3 t10 e24 h100", 28 + 150},
    {15, "s2 P4 h100", 39 + 150},
    {15, "s5 t0 h100", 0 + 150},
    {15, "s5 t4", 1},
    {15, "s5 t7", 1},
    {15, "s5 t8", 21},
    {15, "s5 t15", 21},
    {15, "s5 t16", 15},
    {15, "s5 t19", 15},
    {15, "s5 t20", 15},
    {15, "s5 t36", 19},
    {15, "s5 t40", 20},
    {15, "s5 t44 h100", 20 + 150},
    {15, "s8 S8000 t0 h100", 37 + 150},
    {15, "s8 S8000 t7", 37},
    {15, "s8 S8000 t8", 38},
    {15, "s8 S8000 t32", 44},
    {15, "s8 S9000 t100", 44},
    {15, "s8 S5000 t55", 44},
    {15, "s8 S5000 t4", 37},
    {15, "s8 S7999 t56 h100", 511},
    {15, "s8 S5000 t56 h0", 508},
    {15, "s8 S5000 t100 h255", 515},
    {15, "s8 S4999 q1", 25},
    {15, "s8 S0 q3", 26},
    {15, "s8 S0 q9 h100", 28 + 150},
    {15, "s8 S0 q-3", 24},
    {15, "s8 S3 h100", 0 + 150},
    {15, "s8 S4", 25},
    {15, "s8 S-1", 0},
    {15, "s9 K0 t8888 h100", 511},
    {15, "s9 K0 t9999 h100", 0 + 150},
    {15, "s9 K0 t80", 11},
    {15, "s9 K0 t77", 12},
    {15, "s9 K0 t53", 20},
    {15, "s9 K0 t0 h100", 20 + 150},
    {15, "s9 K0 t81 h100", 511},
    {15, "s9 K0 t499", 508},
    {15, "s9 K0 t500", 37},
    {15, "s9 K0 t507", 37},
    {15, "s9 K0 t508", 38},
    {15, "s9 K0 t525 h100", 42 + 150},
    {15, "s9 K0 t526 h255", 515},
    {15, "s9 K1 t9999 h100", 0 + 150},
    {15, "s9 K1 t230", 0},
    {15, "s9 K1 t229", 504},
    {15, "s9 K1 t226", 505},
    {15, "s9 K1 t223", 506},
    {15, "s9 K1 t0", 506},
    {15, "s10 t16", 11},
    {15, "s10 t12", 12},
    {15, "s10 t0 h100", 14 + 150},
    {15, "s11 q0", 29},
    {15, "s13 q6 h100", 30 + 150},
    {15, "s11 z9 t65", 34},
    {15, "s11 z9 t59", 35},
    {15, "s11 z9 t54", 36},
    {15, "s11 z9 t49", 36},
    {15, "s11 z9 t0 h100", 36 + 150},
    {15, "s6", 39},
    {15, "s7", 39},
    {15, "s12", 39},
};

TEST_F(CharaFrame, EveryStateOfCharacters8To15AtTheEndsOfItsRanges) {
  ExpectCells(kRows);
}

// Character 8's dash (pose 3), drawn frame by frame from t 81 to 40: at t 80 one random draw
// turns the owner 32 steps either way and the dash sound plays; at 79-73 the owner runs at 12
// pixels a frame along its heading behind armour; at 72 and 71 it brakes (x 0.45, or x 0.2 at
// half rate) and aims; at 64 and 63 it aims again. At half rate every second frame is drawn.
// Frozen or held, nothing happens.
TEST_F(CharaFrame, Character8DashTimeline) {
  enum Run { kFull, kHalfEven, kHalfOdd, kFrozen, kHeld };
  for (uint32_t seed : {1u, 2u, 34u, 4357u}) {
    for (Run run : {kFull, kHalfEven, kHalfOdd, kFrozen, kHeld}) {
      morrow::SeedRandom(seed);
      const int afterNoDraw = morrow::GetRandomNumber(1000000);
      morrow::SeedRandom(seed);
      const int turnDraw = morrow::GetRandomNumber(1);
      const int afterOneDraw = morrow::GetRandomNumber(1000000);
      Prepare(8);
      Fill("s2 P3 t81 h8 x100 y100");
      g_players[1].x = 100.0f;  // straight down the screen: heading 193
      g_players[1].y = 300.0f;
      const bool halfRate = run == kHalfEven || run == kHalfOdd;
      g_display.halfRatePresent = halfRate ? 1 : 0;
      FreezeFrames = run == kFrozen ? 5 : 0;
      g_playerState.holdTimer[0] = run == kHeld ? 2 : 0;
      const bool acts = run != kFrozen && run != kHeld;
      const int turned = (8 - 64 * turnDraw + 288) & 255;
      morrow::SeedRandom(seed);
      bool turnedAt80 = false;
      for (int t = 81; t >= 40; --t) {
        if (t == 68) {  // now to the right: heading 1
          g_players[1].x = 300.0f;
          g_players[1].y = 100.0f;
        }
        if ((run == kHalfEven && t % 2 != 0) || (run == kHalfOdd && t % 2 == 0)) continue;
        BattleObject& o = g_players[0];
        o.stateTimer = t;
        const BattleObject before = o;
        const int cell = SelectCharaFrameNow(&o, 0);
        BattleObject expected = before;
        if (acts && t == 80) {
          expected.heading = turned;
          turnedAt80 = true;
          EXPECT_EQ(cell, 17) << "the cell keeps the row read before the turn";
        } else if (acts && t >= 73 && t <= 79) {
          expected.vx = CosOf(before.heading) / 256.0f * 12.0f;
          expected.vy = NegSinOf(before.heading) / 256.0f * 12.0f;
          expected.guard = -16;
        } else if (acts && (t == 72 || t == 71)) {
          const double brake = halfRate ? 0.2 : 0.45;
          expected.vx = static_cast<float>(before.vx * brake);
          expected.vy = static_cast<float>(before.vy * brake);
          expected.heading = 193;
        } else if (acts && (t == 64 || t == 63)) {
          expected.heading = 1;
        }
        EXPECT_EQ(std::memcmp(&expected, &o, sizeof o), 0)
            << "seed " << seed << " run " << run << " t " << t << ": heading " << o.heading
            << " vx " << o.vx << " vy " << o.vy << " guard " << o.guard;
      }
      EXPECT_EQ(turnedAt80, acts && run != kHalfOdd);
      EXPECT_EQ(morrow::GetRandomNumber(1000000), turnedAt80 ? afterOneDraw : afterNoDraw);
      const auto sounds = Recorder().Named("PlaySoundHandle");
      ASSERT_EQ(sounds.size(), turnedAt80 ? 1u : 0u) << run;
      if (turnedAt80) {
        EXPECT_EQ(sounds[0].Text(),
                  "PlaySoundHandle " + std::to_string(SoundHandles[kSoundDash]) + " 1 1");
      }
    }
  }
}

// Character 8's aim (pose 3 at t 64) turns the owner toward the nearest opponent still in the
// round among the players in play, measured from the record passed in on truncated positions by
// squared distance, which must be below 999999; a tie goes to the lower index; in team mode the
// owner's team is skipped. With nobody to aim at the owner takes the passed record's heading.
TEST_F(CharaFrame, Character8Aims) {
  // Headings from (100, 100): right 1, down 193, left 129, up 65.
  const struct {
    const char* name;
    int count, teamMode;
    int team[4];
    float x[3], y[3];  // players 1-3
    int state[3];
    int heading;
  } cases[] = {
      {"nearest", 4, 0, {}, {300, 100, 0}, {100, 150, 100}, {}, 193},
      {"tie to the lower index", 4, 0, {}, {100, 160, 900}, {160, 100, 900}, {}, 193},
      {"tie the other way", 4, 0, {}, {160, 100, 900}, {100, 160, 900}, {}, 1},
      {"knocked out", 4, 0, {}, {300, 100, 100}, {100, 150, 40}, {0, 13, 12}, 65},
      {"out of the round", 3, 0, {}, {300, 100, 0}, {100, 150, 0}, {0, 14, 0}, 1},
      {"everyone out", 4, 0, {}, {300, 100, 0}, {100, 150, 0}, {13, 18, 13}, 9},
      {"team-mates", 4, 1, {0, 1, 0, 1}, {300, 100, 0}, {100, 150, 100}, {}, 129},
      {"team numbers as they stand", 4, 1, {7, 0, 7, 7}, {300, 100, 0}, {100, 150, 100}, {}, 1},
      {"teams outside team mode", 4, 0, {0, 0, 0, 0}, {300, 100, 0}, {100, 150, 100}, {}, 193},
      {"only players in play", 2, 0, {}, {300, 100, 100}, {100, 150, 150}, {}, 1},
      {"count below one", -3, 0, {}, {300, 100, 100}, {100, 150, 150}, {}, 9},
      {"count above four", 1000, 0, {}, {300, 100, 0}, {100, 150, 100}, {}, 193},
      {"within reach", 2, 0, {}, {1099, 0, 0}, {100, 0, 0}, {}, 1},
      {"out of reach", 2, 0, {}, {1100, 0, 0}, {100, 0, 0}, {}, 9},
      {"far apart", 4, 0, {}, {3e9f, -1e30f, 100}, {100, 100, -3e9f}, {}, 9},
      {"truncated", 3, 0, {}, {161.5f, 100.9f, 0}, {100, 160.9f, 0}, {}, 193},
  };
  for (const auto& c : cases) {
    Prepare(8);
    Fill("s2 P3 t64 h7 x100.9 y100");
    g_match.playerCount = c.count;
    g_match.teamMode = c.teamMode;
    for (int i = 0; i < 4; ++i) g_match.team[i] = c.team[i];
    for (int i = 1; i < 4; ++i) {
      g_players[i].x = c.x[i - 1];
      g_players[i].y = c.y[i - 1];
      g_players[i].state = c.state[i - 1];
    }
    BattleObject copy = g_players[0];
    copy.heading = 9;
    EXPECT_EQ(SelectCharaFrameNow(&copy, 0), 18) << c.name;
    EXPECT_EQ(g_players[0].heading, c.heading) << c.name;
    EXPECT_EQ(copy.heading, 9) << c.name;
  }
  // The position is the passed record's: a copy to the right of player 1 aims left even though
  // the real record stands to its left.
  Prepare(8);
  Fill("s2 P3 t63 x100 y100");
  g_players[1].x = 300.0f;
  g_players[1].y = 100.0f;
  BattleObject copy = g_players[0];
  copy.x = 500.0f;
  SelectCharaFrameNow(&copy, 0);
  EXPECT_EQ(g_players[0].heading, 129);
}

// Character 10's swing (pose 1) shakes the screen 8 at t 51 and 7 at t 50, frozen or held alike.
TEST_F(CharaFrame, Character10Shakes) {
  const struct {
    int pose, t, freeze, shake;
  } cases[] = {{1, 52, 0, 3}, {1, 51, 0, 8}, {1, 50, 0, 7}, {1, 49, 0, 3},
               {1, 51, 4, 8}, {1, 50, 4, 7}, {0, 51, 0, 3}, {3, 50, 0, 3}};
  for (const auto& c : cases) {
    Prepare(10);
    Fill("s2 e0");
    g_playerState.poseClass[0] = static_cast<uint16_t>(c.pose);
    g_players[0].stateTimer = c.t;
    FreezeFrames = c.freeze;
    g_playerState.holdTimer[0] = c.freeze;
    ScreenShake = 3;
    SelectCharaFrameNow(&g_players[0], 1);
    EXPECT_EQ(ScreenShake, c.shake) << "pose " << c.pose << " t " << c.t;
  }
}

// Character 12 knocked back above z 8 draws the record passed in 8 pixels higher on each call:
// the real record stays, and lying at z 8 or below nothing moves.
TEST_F(CharaFrame, Character12Lifts) {
  for (int state : {11, 13}) {
    Prepare(12);
    Fill("z20 t40 y200");
    g_players[0].state = state;
    BattleObject copy = g_players[0];
    for (int call = 1; call <= 3; ++call) {
      EXPECT_EQ(SelectCharaFrameNow(&copy, 0), 31);
      EXPECT_EQ(copy.y, 200.0f - 8.0f * static_cast<float>(call));
    }
    EXPECT_EQ(g_players[0].y, 200.0f);
    copy.z = 8.0f;
    SelectCharaFrameNow(&copy, 0);
    EXPECT_EQ(copy.y, 176.0f);
  }
}

// Character 13's second card reads its owner's catch record, the marker's `player`: 9 while
// nobody is caught shows cell 14; a caught player (0-3) or any other value lets the card's own
// cells run. An owner that is no player reads no marker.
TEST_F(CharaFrame, Character13ReadsItsCatchRecord) {
  for (int32_t player : {9, 0, 1, 2, 3, -1, 4, 8, 10, INT32_MIN, INT32_MAX}) {
    Prepare(13);
    Fill("s9 K1 t400 h100");
    g_markerPoints[0].player = player;
    g_markerPoints[0].code = 9;
    g_markerPoints[1].player = 9;
    EXPECT_EQ(SelectCharaFrameNow(&g_players[0], 0), player == 9 ? 14 + 90 : 0) << player;
  }
  for (int owner : {-1, 4, 5, 32767}) {
    Prepare(13);
    Fill("s9 K1 t400 h100");
    g_players[0].owner = static_cast<int16_t>(owner);
    EXPECT_EQ(SelectCharaFrameNow(&g_players[0], 0), 39) << owner;
  }
}

}  // namespace
