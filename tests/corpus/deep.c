/* A call chain deeper than thirty levels. */
#include <stdio.h>

void descend_35(int depth) { printf("bottom %d\n", depth); }
void descend_34(int depth) { descend_35(depth + 1); }
void descend_33(int depth) { descend_34(depth + 1); }
void descend_32(int depth) { descend_33(depth + 1); }
void descend_31(int depth) { descend_32(depth + 1); }
void descend_30(int depth) { descend_31(depth + 1); }
void descend_29(int depth) { descend_30(depth + 1); }
void descend_28(int depth) { descend_29(depth + 1); }
void descend_27(int depth) { descend_28(depth + 1); }
void descend_26(int depth) { descend_27(depth + 1); }
void descend_25(int depth) { descend_26(depth + 1); }
void descend_24(int depth) { descend_25(depth + 1); }
void descend_23(int depth) { descend_24(depth + 1); }
void descend_22(int depth) { descend_23(depth + 1); }
void descend_21(int depth) { descend_22(depth + 1); }
void descend_20(int depth) { descend_21(depth + 1); }
void descend_19(int depth) { descend_20(depth + 1); }
void descend_18(int depth) { descend_19(depth + 1); }
void descend_17(int depth) { descend_18(depth + 1); }
void descend_16(int depth) { descend_17(depth + 1); }
void descend_15(int depth) { descend_16(depth + 1); }
void descend_14(int depth) { descend_15(depth + 1); }
void descend_13(int depth) { descend_14(depth + 1); }
void descend_12(int depth) { descend_13(depth + 1); }
void descend_11(int depth) { descend_12(depth + 1); }
void descend_10(int depth) { descend_11(depth + 1); }
void descend_09(int depth) { descend_10(depth + 1); }
void descend_08(int depth) { descend_09(depth + 1); }
void descend_07(int depth) { descend_08(depth + 1); }
void descend_06(int depth) { descend_07(depth + 1); }
void descend_05(int depth) { descend_06(depth + 1); }
void descend_04(int depth) { descend_05(depth + 1); }
void descend_03(int depth) { descend_04(depth + 1); }
void descend_02(int depth) { descend_03(depth + 1); }
void descend_01(int depth) { descend_02(depth + 1); }
