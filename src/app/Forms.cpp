#include "Forms.h"

#include "Accessibility.h"
#include "CFC.h"
#include "ColDlg.h"
#include "KaDialog.h"
#include "MyInputDialog.h"
#include "OtherDialog.h"
#include "Unit1.h"
#include "VarBox.h"
#include "testexe.h"

void createForms(TForm1& main)
{
    const AppEnv& env = main.env();
    main.AboutBox = new TAboutBox(&main);
    main.Form2 = new TForm2(main, env, &main);
    main.Form3 = new TForm3(main, env, &main);
    main.Form2->setNameInput(main.Form3);
    main.Form4 = new TForm4(main, env, &main);
    main.Form5 = new TForm5(main, env, &main);
    main.Form4->setTestForm(main.Form5);
    main.Form6 = new TForm6(main, env, &main);
    main.Form7 = new TForm7(main, env, &main);
    Accessibility::setUp(main);
}
