@echo off
rem Name search: files with equal names.
rem Arguments as for MOX.BAT.
call "%~dp0MOX.BAT" /n %*
exit /b %errorlevel%
