@echo off
rem Duplicate search in the current (working) folder.
rem Reads LIST.TXT (roots; ":" marks an unchecked one), XLIST.TXT (exclusion
rem patterns) and config.ini; leaves DLIST.TXT (the sets found) and LIST5.TXT
rem (files, groups). Exit code 0 on success, 1 when a step fails.
rem
rem   MOX.BAT [/v] [/s | /n | /j] [.ext.ext...]
rem     (none)  files with equal contents
rem     /s      files of equal size only (no reading)
rem     /n      files with equal names
rem     /j      JPEG files with equal image data (metadata ignored)
rem     /v      show progress: folder in the console title, line count
rem     .ext..  only files with these extensions, e.g. .htm.html
rem     /last   (used by LAST.BAT) group the previous search's list again
rem
rem Intermediate lists: LIST1.TXT scan, LIST2.TXT sorted, LIST3.TXT decoded,
rem LIST4.TXT candidates; LASTMODE.TXT names the last finished search's kind.
rem Problems with single files are appended to log.txt.
setlocal
set "BIN=%~dp0"
set CHAIN=content
set LAST=
set SCANOPT=
set CHECKOPT=
set EXT=

:args
if "%~1"=="" goto start
if /i "%~1"=="/v" goto opt_v
if /i "%~1"=="/s" goto opt_s
if /i "%~1"=="/n" goto opt_n
if /i "%~1"=="/j" goto opt_j
if /i "%~1"=="/last" goto opt_last
set "ARG=%~1"
if "%ARG:~0,1%"=="." goto opt_ext
echo MOX.BAT: unknown argument %1 1>&2
exit /b 1
:opt_v
set "SCANOPT=%SCANOPT% -W"
set "CHECKOPT=%CHECKOPT% -V"
goto next
:opt_s
set CHAIN=size
goto next
:opt_n
set CHAIN=name
goto next
:opt_j
set CHAIN=jpeg
goto next
:opt_last
set LAST=1
goto next
:opt_ext
set "EXT=-E %ARG%"
:next
shift
goto args

:start
if defined LAST goto last
rem A list left by an earlier search must never pass for this one's.
for %%f in (log.txt LIST1.TXT LIST2.TXT LIST3.TXT LIST4.TXT LASTMODE.TXT) do if exist %%f del %%f
set STEP=dirscan
if not exist LIST.TXT goto nolist
set XOPT=
if exist XLIST.TXT set "XOPT=-X XLIST.TXT"
if "%CHAIN%"=="name" set "SCANOPT=%SCANOPT% -1"
if "%CHAIN%"=="jpeg" set "SCANOPT=%SCANOPT% -A jpeg"

"%BIN%dirscan.exe" -L log.txt %XOPT% %SCANOPT% %EXT% < LIST.TXT > LIST1.TXT
if errorlevel 1 goto fail
set STEP=sort
sort /REC 65535 LIST1.TXT /O LIST2.TXT
if errorlevel 1 goto fail
set STEP=widen
"%BIN%widen.exe" LIST2.TXT > LIST3.TXT
if errorlevel 1 goto fail
goto group_%CHAIN%

:last
set STEP=LAST.BAT
if not exist LIST3.TXT goto nolast
if not exist LASTMODE.TXT goto nolast
set /p CHAIN=< LASTMODE.TXT
if "%CHAIN%"=="content" goto group_content
if "%CHAIN%"=="jpeg" goto group_jpeg
if "%CHAIN%"=="size" goto group_size
if "%CHAIN%"=="name" goto group_name
:nolast
echo MOX.BAT: no earlier search in this folder to repeat 1>&2
exit /b 1

:group_content
set STEP=sizesum
"%BIN%sizesum.exe" -F LIST5.TXT LIST3.TXT > LIST4.TXT
if errorlevel 1 goto fail
set STEP=dupcheck
"%BIN%dupcheck.exe" -L log.txt -F LIST5.TXT %CHECKOPT% LIST4.TXT > DLIST.TXT
if errorlevel 1 goto fail
goto done

:group_jpeg
set STEP=sizesum
"%BIN%sizesum.exe" -F LIST5.TXT LIST3.TXT > LIST4.TXT
if errorlevel 1 goto fail
set STEP=dupcheck
"%BIN%dupcheck.exe" -L log.txt -F LIST5.TXT -A jpeg %CHECKOPT% LIST4.TXT > DLIST.TXT
if errorlevel 1 goto fail
goto done

:group_size
set STEP=sizegroup
"%BIN%sizegroup.exe" -F LIST5.TXT LIST3.TXT > DLIST.TXT
if errorlevel 1 goto fail
goto done

:group_name
set STEP=keygroup
"%BIN%keygroup.exe" -F LIST5.TXT LIST3.TXT > LIST4.TXT
if errorlevel 1 goto fail
set STEP=unkey
"%BIN%unkey.exe" LIST4.TXT > DLIST.TXT
if errorlevel 1 goto fail
goto done

:nolist
echo MOX.BAT: LIST.TXT not found 1>&2
exit /b 1
:fail
echo MOX.BAT: %STEP% failed 1>&2
exit /b 1
:done
rem Written once the list is whole: the front end takes the kind of the list
rem from it, LAST.BAT the chain.
> LASTMODE.TXT echo %CHAIN%
exit /b 0
