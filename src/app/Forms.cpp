#include "Forms.h"

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
    auto* about = new TAboutBox(&main);
    auto* form2 = new TForm2(main, env, &main);
    auto* form3 = new TForm3(env, &main);
    form2->setNameInput(form3);
    auto* form4 = new TForm4(main, env, &main);
    auto* form5 = new TForm5(main, env, &main);
    form4->setTestForm(form5);
    auto* form6 = new TForm6(main, env, &main);
    auto* form7 = new TForm7(main, env, &main);
    main.setDialogs(TForm1::Dialogs{about, form2, form4, form6, form7});
}
