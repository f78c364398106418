#pragma once

#include <gphoto2/gphoto2.h>

#include <string>

// libgphoto2 is loaded on its first use, not with the program: a start that
// serves phones over MTP, or only shows its version, does not pay for linking
// it and its drivers' libraries.

// Every function the camera backend calls.
#define TESSARIL_GPHOTO_FUNCTIONS(X)                                                                                   \
    X(gp_abilities_list_detect)                                                                                        \
    X(gp_abilities_list_free)                                                                                          \
    X(gp_abilities_list_get_abilities)                                                                                 \
    X(gp_abilities_list_load)                                                                                          \
    X(gp_abilities_list_lookup_model)                                                                                  \
    X(gp_abilities_list_new)                                                                                           \
    X(gp_camera_exit)                                                                                                  \
    X(gp_camera_file_get)                                                                                              \
    X(gp_camera_file_get_info)                                                                                         \
    X(gp_camera_file_read)                                                                                             \
    X(gp_camera_folder_list_files)                                                                                     \
    X(gp_camera_folder_list_folders)                                                                                   \
    X(gp_camera_get_single_config)                                                                                     \
    X(gp_camera_get_storageinfo)                                                                                       \
    X(gp_camera_init)                                                                                                  \
    X(gp_camera_new)                                                                                                   \
    X(gp_camera_set_abilities)                                                                                         \
    X(gp_camera_set_port_info)                                                                                         \
    X(gp_camera_unref)                                                                                                 \
    X(gp_context_new)                                                                                                  \
    X(gp_context_set_error_func)                                                                                       \
    X(gp_context_unref)                                                                                                \
    X(gp_file_new_from_handler)                                                                                        \
    X(gp_file_unref)                                                                                                   \
    X(gp_list_count)                                                                                                   \
    X(gp_list_free)                                                                                                    \
    X(gp_list_get_name)                                                                                                \
    X(gp_list_get_value)                                                                                               \
    X(gp_list_new)                                                                                                     \
    X(gp_log_add_func)                                                                                                 \
    X(gp_port_info_get_path)                                                                                           \
    X(gp_port_info_list_count)                                                                                         \
    X(gp_port_info_list_free)                                                                                          \
    X(gp_port_info_list_get_info)                                                                                      \
    X(gp_port_info_list_load)                                                                                          \
    X(gp_port_info_list_lookup_path)                                                                                   \
    X(gp_port_info_list_new)                                                                                           \
    X(gp_result_as_string)                                                                                             \
    X(gp_widget_free)                                                                                                  \
    X(gp_widget_get_type)                                                                                              \
    X(gp_widget_get_value)

struct TGphotoFunctions
{
    // A member named like the function: a name in parentheses would not declare it.
    // NOLINTNEXTLINE(bugprone-macro-parentheses)
#define TESSARIL_GPHOTO_POINTER(name) decltype(&::name) name = nullptr;
    TESSARIL_GPHOTO_FUNCTIONS(TESSARIL_GPHOTO_POINTER)
#undef TESSARIL_GPHOTO_POINTER
};

// Loads the library once; null when it or one of its functions is missing,
// with the loader's reason in `error`.
const TGphotoFunctions *LoadGphotoFunctions(std::string &error);

// The loaded functions; only after LoadGphotoFunctions succeeded.
const TGphotoFunctions &Gphoto();
