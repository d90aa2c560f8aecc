# Turns a binary file into a C++ source defining a constant byte array and its
# size. The generated source depends on the file, so editing it rebuilds.
set (ZARVEL_EMBED_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/EmbedBinaryScript.cmake")

function (zarvel_embed_binary)
    cmake_parse_arguments (ARG "" "OUTPUT;INPUT;HEADER;ARRAY;SIZE;NAMESPACE" "" ${ARGN})
    if (NOT ARG_NAMESPACE)
        set (ARG_NAMESPACE zarvel)
    endif()
    add_custom_command (OUTPUT "${ARG_OUTPUT}"
        COMMAND "${CMAKE_COMMAND}"
                "-DINPUT=${ARG_INPUT}" "-DOUTPUT=${ARG_OUTPUT}" "-DHEADER=${ARG_HEADER}"
                "-DARRAY=${ARG_ARRAY}" "-DSIZE=${ARG_SIZE}" "-DNAMESPACE=${ARG_NAMESPACE}"
                -P "${ZARVEL_EMBED_SCRIPT}"
        DEPENDS "${ARG_INPUT}" "${ZARVEL_EMBED_SCRIPT}"
        COMMENT "Embedding ${ARG_INPUT}"
        VERBATIM)
endfunction()
