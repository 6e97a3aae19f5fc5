// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/**
 * The names under which the guarded routines report failures: project word, version date, module and routine.
 */
namespace RoutinePath {

#define LUMAVEIL_ROUTINE(module, routine) "Lumaveil2021/08/31." #module "." #routine

inline constexpr char Main_CorrelateListviewsWrapper[] = LUMAVEIL_ROUTINE(Main, CorrelateListviewsWrapper);
inline constexpr char Form1_Form_Load[] = LUMAVEIL_ROUTINE(Form1, Form_Load);
inline constexpr char Form1_Form_QueryUnload[] = LUMAVEIL_ROUTINE(Form1, Form_QueryUnload);
inline constexpr char Form1_Form_Unload[] = LUMAVEIL_ROUTINE(Form1, Form_Unload);
inline constexpr char Form1_Form_MouseDown[] = LUMAVEIL_ROUTINE(Form1, Form_MouseDown);
inline constexpr char Form1_Timer4_Timer[] = LUMAVEIL_ROUTINE(Form1, Timer4_Timer);
inline constexpr char Form1_StartTimer[] = LUMAVEIL_ROUTINE(Form1, StartTimer);
inline constexpr char Form1_StopTimer[] = LUMAVEIL_ROUTINE(Form1, StopTimer);
inline constexpr char Form1_PushButton2_Click[] = LUMAVEIL_ROUTINE(Form1, PushButton2_Click);
inline constexpr char Form1_PushButton7_Click[] = LUMAVEIL_ROUTINE(Form1, PushButton7_Click);
inline constexpr char Form1_PushButton8_Click[] = LUMAVEIL_ROUTINE(Form1, PushButton8_Click);
inline constexpr char Form1_PlayVideo[] = LUMAVEIL_ROUTINE(Form1, PlayVideo);
inline constexpr char Form1_PushButton1_Click[] = LUMAVEIL_ROUTINE(Form1, PushButton1_Click);
inline constexpr char Form1_PushButton3_Click[] = LUMAVEIL_ROUTINE(Form1, PushButton3_Click);
inline constexpr char Form1_PushButton4_Click[] = LUMAVEIL_ROUTINE(Form1, PushButton4_Click);
inline constexpr char Form1_PushButton15_Click[] = LUMAVEIL_ROUTINE(Form1, PushButton15_Click);
inline constexpr char Form1_PushButton21_Click[] = LUMAVEIL_ROUTINE(Form1, PushButton21_Click);
inline constexpr char Form1_PushButton5_Click[] = LUMAVEIL_ROUTINE(Form1, PushButton5_Click);
inline constexpr char Form1_PushButton6_Click[] = LUMAVEIL_ROUTINE(Form1, PushButton6_Click);
inline constexpr char Form2_Form_Load[] = LUMAVEIL_ROUTINE(Form2, Form_Load);
inline constexpr char Form2_Form_MouseDown[] = LUMAVEIL_ROUTINE(Form2, Form_MouseDown);
inline constexpr char Form3_Form_Load[] = LUMAVEIL_ROUTINE(Form3, Form_Load);
inline constexpr char Form3_Form_QueryUnload[] = LUMAVEIL_ROUTINE(Form3, Form_QueryUnload);
inline constexpr char Form3_PushButton1_Click[] = LUMAVEIL_ROUTINE(Form3, PushButton1_Click);
inline constexpr char Form3_PushButton2_Click[] = LUMAVEIL_ROUTINE(Form3, PushButton2_Click);
inline constexpr char Form4_Form_Load[] = LUMAVEIL_ROUTINE(Form4, Form_Load);
inline constexpr char Form4_Form_QueryUnload[] = LUMAVEIL_ROUTINE(Form4, Form_QueryUnload);
inline constexpr char Form4_PushButton1_Click[] = LUMAVEIL_ROUTINE(Form4, PushButton1_Click);
inline constexpr char Form4_PushButton7_Click[] = LUMAVEIL_ROUTINE(Form4, PushButton7_Click);

// The folder scanner reports under a project word of its own.
inline constexpr char AddFolder_GetSubDirectories2016[] = "Kestrum2021/08/31.AddFolder.GetSubDirectories2016";

#undef LUMAVEIL_ROUTINE

} // namespace RoutinePath
