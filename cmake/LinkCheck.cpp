// A program that uses nothing: linked with the whole of one folder's library
// and only the libraries that folder may use, it fails to link when the folder
// calls into another.
int main()
{
	return 0;
}
