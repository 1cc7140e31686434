@echo off
rem JPEG search: files whose image data are equal, metadata ignored.
rem Arguments as for MOX.BAT.
call "%~dp0MOX.BAT" /j %*
exit /b %errorlevel%
