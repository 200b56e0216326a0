// The synthesiser library's handles as the folder's headers name them, without the
// library's own header: only this folder's .cpp files include that.
#pragma once

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_audio_driver_t fluid_audio_driver_t;
