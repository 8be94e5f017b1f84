// Owns the precompiled Qt Test and Qt Widgets headers that the test executables reuse.
int main()
{
    return 0;
}
