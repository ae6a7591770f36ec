// SPDX-License-Identifier: GPL-3.0-or-later
#include "data.h"

const char* const square_name[64] = {
    "a8", "b8", "c8", "d8", "e8", "f8", "g8", "h8", "a7", "b7", "c7", "d7", "e7", "f7", "g7", "h7",
    "a6", "b6", "c6", "d6", "e6", "f6", "g6", "h6", "a5", "b5", "c5", "d5", "e5", "f5", "g5", "h5",
    "a4", "b4", "c4", "d4", "e4", "f4", "g4", "h4", "a3", "b3", "c3", "d3", "e3", "f3", "g3", "h3",
    "a2", "b2", "c2", "d2", "e2", "f2", "g2", "h2", "a1", "b1", "c1", "d1", "e1", "f1", "g1", "h1"};

// A king leaving its square clears both rights of its colour; a rook leaving or captured on its
// corner clears one.
const int castle_mask[64] = {7,  15, 15, 15, 3,  15, 15, 11, 15, 15, 15, 15, 15, 15, 15, 15,
                             15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15,
                             15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15,
                             15, 15, 15, 15, 15, 15, 15, 15, 13, 15, 15, 15, 12, 15, 15, 14};

const int mailbox[120] = {
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0,  1,  2,
    3,  4,  5,  6,  7,  -1, -1, 8,  9,  10, 11, 12, 13, 14, 15, -1, -1, 16, 17, 18, 19, 20, 21, 22,
    23, -1, -1, 24, 25, 26, 27, 28, 29, 30, 31, -1, -1, 32, 33, 34, 35, 36, 37, 38, 39, -1, -1, 40,
    41, 42, 43, 44, 45, 46, 47, -1, -1, 48, 49, 50, 51, 52, 53, 54, 55, -1, -1, 56, 57, 58, 59, 60,
    61, 62, 63, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

const int mailbox64[64] = {21, 22, 23, 24, 25, 26, 27, 28, 31, 32, 33, 34, 35, 36, 37, 38,
                           41, 42, 43, 44, 45, 46, 47, 48, 51, 52, 53, 54, 55, 56, 57, 58,
                           61, 62, 63, 64, 65, 66, 67, 68, 71, 72, 73, 74, 75, 76, 77, 78,
                           81, 82, 83, 84, 85, 86, 87, 88, 91, 92, 93, 94, 95, 96, 97, 98};

const int offsets[6] = {2, 8, 4, 4, 8, 8};

const int offset[6][8] = {{9, 11, 0, 0, 0, 0, 0, 0},        {-21, -19, -12, -8, 8, 12, 19, 21},
                          {-11, -9, 9, 11, 0, 0, 0, 0},     {-10, -1, 1, 10, 0, 0, 0, 0},
                          {-11, -10, -9, -1, 1, 9, 10, 11}, {-11, -10, -9, -1, 1, 9, 10, 11}};

const bool slide[6] = {false, false, true, true, true, false};

const char spos[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

const char* const BTestPosition[10] = {
    "1k2r2r/1bq2p2/pn4p1/3pP3/pbpN1P1p/4QN1B/1P4PP/2RR3K b - - 0 1",
    "1r1rq1k1/1p4p1/pNb1pp1p/1pP5/3P4/1PQ5/5PPP/R3R1K1 w - - 0 1",
    "3rbk2/4pp1p/6p1/3PP3/p1PnN1P1/Nn5P/5PBK/1R6 w - - 0 1",
    "4r2k/1pp1n1pp/pb3r2/6Nq/P2P4/2PQ2P1/1R3RKP/2B5 w - - 0 1",
    "1rbr2k1/p1q2p1p/2n1p1p1/1p4Q1/2pPP3/2P3P1/P1B1N1PP/2R2RK1 b - - 0 1",
    "6k1/2rqbrpp/2n2n2/pBpppN2/Pp4P1/2PP3P/1P2QP2/R1B1R1K1 w - - 0 1",
    "1r1r1bk1/1bq2p1p/pn2p1p1/2p1P3/5P2/P1NBB3/1P3QPP/R2R2K1 b - - 0 1",
    "1r1qk1nr/p3ppbp/3p2p1/1pp5/2bPP3/4B1P1/2PQNPBP/R2R2K1 w k - 0 1",
    "8/7p/p2p1kqP/2r1b3/P1B1p1r1/1P6/4QP2/3R1K1R b - - 0 1",
    "1nr2qk1/pb1r1p1p/1b4pP/1p1Bp1B1/4P1Q1/2NR4/P1R2PP1/6K1 w - - 0 1"};

const int BTestPositionDepth[10] = {6, 7, 7, 6, 6, 7, 7, 7, 7, 6};

const char* const BTestPosition_Sol[10] = {"b6d7", "f2f3", "h2g3", "b2e2", "b5b4",
                                           "c3c4", "b6d5", "e4e5", "g6f5", "d5b7"};

const char* const PTestPosition[20] = {
    "rnbqkb1r/pppp1ppp/5n2/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 0 3",
    "rnb1kb1r/ppp1pppp/5n2/q7/3P4/2N5/PPP2PPP/R1BQKBNR w KQkq - 0 5",
    "r1bq1rk1/ppp1npbp/3p1np1/3Pp3/2P1P3/2N2N2/PP2BPPP/R1BQ1RK1 w - - 0 9",
    "r3k2r/pp1bnppp/2n1p3/q2pP3/P1pP4/2P2N2/2PBBPPP/R2QK2R w KQkq - 0 11",
    "rn1qkbnr/pp3ppp/2p1p3/3pPb2/3P4/5N2/PPP2PPP/RNBQKB1R w KQkq -",
    "rnbq1rk1/ppp2pbp/3p1np1/8/3NP3/2N1B3/PPPQ1PPP/2KR1B1R b - -",
    "rnbqk2r/pppp1ppp/4pn2/8/1bPP4/2N5/PP2PPPP/R1BQKBNR w KQkq - 2 4",
    "rnbqkb1r/pp3ppp/2p1pn2/3p4/2PP4/2N2N2/PP2PPPP/R1BQKB1R w KQkq - 0 5",
    "r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3",
    "rnb1kb1r/1p3ppp/p2ppn2/6B1/3NPP2/q1N5/P1PQ2PP/1R2KB1R w Kkq - 2 10",
    "rnbqkb1r/1p3ppp/p2p1n2/4p3/4P3/1NN1B3/PPP2PPP/R2QKB1R b KQkq - 1 7",
    "r2qkb1r/1b1n1ppp/p2p1n2/4pN2/1p2PPP1/3BBQ2/PPP1N2P/R3K2R b KQkq - 0 12",
    "rnbq1rk1/pp3ppp/4pn2/2p5/1bBP4/2N1PN2/PP3PPP/R1BQ1RK1 b - - 0 8",
    "r1bq1rk1/2p1bppp/p1np1n2/1p2p3/4P3/1BP2N1P/PP1P1PP1/RNBQR1K1 b - - 0 9",
    "rnbqk2r/pp2nppp/4p3/2ppP3/3P2Q1/P1P5/2P2PPP/R1B1KBNR b KQkq - 0 7",
    "8/5p1k/6pp/R7/8/Pr3PP1/5K1P/8 w - - 0 39",
    "8/p4kP1/8/5P2/1p6/4K3/8/8 w - - 0 58",
    "8/6pk/p7/8/6P1/1P6/5K2/8 b - - 0 50",
    "8/1n5p/3k2p1/8/2B3PP/4K3/8/8 w - - 0 51",
    "6k1/6p1/p3pp2/6p1/5r2/2K2N1P/1P3PP1/3N4 w - - 0 34"};

const char* const PTitle[20] = {"opening petroff",
                                "opening center counter",
                                "opening kings indian",
                                "opening french",
                                "opening caro-kann",
                                "opening pirc",
                                "opening nimzo indian",
                                "opening semi-slav",
                                "opening ruy lopez",
                                "middle sicilian poisoned pawn",
                                "middle sicilian english attack",
                                "middle sicilian",
                                "middle nimzo indian",
                                "middle ruy lopez",
                                "middle french main line",
                                "ending rook+pawns",
                                "ending pawns with passers",
                                "ending pawns without passers",
                                "ending minor piece and pawns",
                                "ending 2n+mp - 1r+mp"};

// The symmetry test starts from these; further pairs come from play out of the test positions.
const char* const SymTestSeed[6] = {
    "6k1/8/8/8/8/8/P4K2/8 w - - 0 1",
    "8/p4k2/8/8/8/8/8/6K1 b - - 0 1",
    "4k3/2b1B3/8/8/4N3/8/4RK2/8 w - - 0 1 ",
    "8/4rk2/8/4n3/8/8/2B1b3/4K3 b - - 0 1 ",
    "4r1k1/p1qr1p2/2pb1Bp1/1p5p/3P1n1R/1B3P2/PP3P2/2Q3KR b - - 1 1",
    "2q3kr/pp3p2/1b3p2/3p1N1r/1P5P/2PB1bP1/P1QR1P2/4R1K1 w - - 1 1"};
