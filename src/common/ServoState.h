#pragma once

// What the servo switch stands for. SetupRepeat comes from the set-up panel's free preset: from
// then on the switch repeats the set-up send instead of switching.
enum class ServoState { Off, On, SetupRepeat };
