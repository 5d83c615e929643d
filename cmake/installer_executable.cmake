# installer_executable(<name> [KEYS <public key PEM files>...])
# The installer program. With KEYS it takes only service answers signed by one of those keys:
# on Windows they go into the "ANSWERKEYS" resource of its own copy of the resource script,
# on Linux into an object of the executable.
function(installer_executable name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "KEYS")
    set(pem "")
    foreach(file IN LISTS arg_KEYS)
        if(NOT EXISTS "${file}")
            message(FATAL_ERROR "installer key file ${file} does not exist")
        endif()
        file(READ "${file}" text)
        string(APPEND pem "${text}\n")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
    endforeach()

    add_executable(${name} ${CMAKE_SOURCE_DIR}/src/app/main.cpp)
    target_link_libraries(${name} PRIVATE installer_ui)
    installer_warnings(${name})
    if(WIN32)
        set(INSTALLER_ANSWER_KEYS_RC "")
        if(pem)
            file(CONFIGURE OUTPUT ${GENERATED_DIR}/${name}-keys.pem CONTENT "${pem}")
            set(INSTALLER_ANSWER_KEYS_RC "ANSWERKEYS RCDATA \"${GENERATED_DIR}/${name}-keys.pem\"")
        endif()
        configure_file(${CMAKE_SOURCE_DIR}/src/app/res/installer.rc.in ${GENERATED_DIR}/${name}.rc @ONLY)
        target_sources(${name} PRIVATE ${GENERATED_DIR}/${name}.rc)
        set_source_files_properties(${GENERATED_DIR}/${name}.rc PROPERTIES
            OBJECT_DEPENDS "${INSTALLER_RC_DEPENDS}")
        # The link map says what every object and library adds to the executable
        # (scripts/exe-size).
        target_link_options(${name} PRIVATE -mwindows -Wl,-Map=$<TARGET_FILE:${name}>.map)
    elseif(pem)
        file(CONFIGURE OUTPUT ${GENERATED_DIR}/${name}-keys.cpp CONTENT
             "// Generated from the installer's key files; do not edit.\nextern const char kInstallerAnswerKeys[] = R\"pem(${pem})pem\";\n")
        target_sources(${name} PRIVATE ${GENERATED_DIR}/${name}-keys.cpp)
    endif()
endfunction()
